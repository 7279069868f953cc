#include "operatordb/admin_flag.h"

#include "operatordb/bindings_stations.h"

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
    // The first row is the flag; the engine runs each statement under its write lock,
    // so the test of the flag and its change cannot be split by another station.
    if (db.Execute("UPDATE [__sys_AdminLoggedIn] SET IsAdminLoggedIn = True"
                   " WHERE NOT IsAdminLoggedIn AND rowid = (SELECT MIN(rowid) FROM [__sys_AdminLoggedIn])") ==
        1)
        return true;
    return db.Execute("INSERT INTO [__sys_AdminLoggedIn] (IsAdminLoggedIn) SELECT True"
                      " WHERE NOT EXISTS (SELECT * FROM [__sys_AdminLoggedIn])") == 1;
}

} // namespace corvid::operatordb
