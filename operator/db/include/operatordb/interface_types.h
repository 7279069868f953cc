// The names of the communication interface types (1 none, 2 GPIB, 4 RS232, 8 VXI),
// read once at module start and shared by the whole process.
#pragma once

#include "operatordb/database.h"

#include <map>
#include <string>

namespace corvid::operatordb {

// Key: the decimal text of InterfaceID ("%d"); value: Name.
std::map<std::string, std::string>& InterfaceTypeNames();

// Reads every row of [__sys_InterfaceTypes] into InterfaceTypeNames(), replacing what
// it held. A database error is caught: the map is left empty, the engine's message is
// stored in *error (when given) and the result is false.
bool LoadInterfaceTypeNames(Database& db, std::string* error = nullptr);

} // namespace corvid::operatordb
