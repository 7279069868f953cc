#include "operatordb/admin_flag.h"

#include "operatordb/bindings_stations.h"
#include "operatordb/database.h"

namespace corvid::operatordb {

bool IsAdministratorLoggedIn(Database& db) {
    DB_IsAdminLoggedIn flag(db);
    flag.Open(OpenMode::ReadOnly);
    return !flag.IsEOF() && flag.IsAdminLoggedIn;
}

void SetAdministratorLoggedIn(Database& db, bool value) {
    DB_IsAdminLoggedIn flag(db);
    flag.Open(OpenMode::Updatable);
    if (flag.IsEOF())
        flag.AddNew();
    else
        flag.Edit();
    flag.IsAdminLoggedIn = value;
    flag.Update();
}

bool TakeAdministratorFlag(Database& db) {
    // One writer unit: of stations logging in at once, the others wait for it and then
    // see the flag taken (a server would otherwise let two of them insert the first row).
    Transaction unit(db);
    bool taken =
        db.Execute("UPDATE [__sys_AdminLoggedIn] SET IsAdminLoggedIn = True"
                   " WHERE NOT IsAdminLoggedIn AND rowid = (SELECT MIN(rowid) FROM [__sys_AdminLoggedIn])") ==
            1 ||
        db.Execute("INSERT INTO [__sys_AdminLoggedIn] (IsAdminLoggedIn) SELECT True"
                   " WHERE NOT EXISTS (SELECT * FROM [__sys_AdminLoggedIn])") == 1;
    unit.Commit();
    return taken;
}

} // namespace corvid::operatordb
