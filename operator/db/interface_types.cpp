#include "operatordb/interface_types.h"

#include "operatordb/bindings_equipment.h"
#include "operatordb/db_error.h"

namespace corvid::operatordb {

std::map<std::string, std::string>& InterfaceTypeNames() {
    static std::map<std::string, std::string> names;
    return names;
}

bool LoadInterfaceTypeNames(Database& db, std::string* error) {
    std::map<std::string, std::string>& names = InterfaceTypeNames();
    names.clear();
    try {
        DB_InterfaceTypes types(db);
        types.Open(OpenMode::ReadOnly);
        for (; !types.IsEOF(); types.MoveNext())
            names[std::to_string(types.InterfaceID)] = types.Name;
        return true;
    } catch (const DbError& e) {
        names.clear();
        if (error)
            *error = e.what();
        return false;
    }
}

} // namespace corvid::operatordb
