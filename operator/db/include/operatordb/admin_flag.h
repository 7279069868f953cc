// The shared administrator flag: the single row of __sys_AdminLoggedIn that lets only
// one administrator at a time work on an instrument database, across every station
// that shares it.
#pragma once

#include "operatordb/database.h"

namespace corvid::operatordb {

// The flag of the first row; false when the table has no row.
bool IsAdministratorLoggedIn(Database& db);
// Writes the flag into the first row, adding the row when there is none.
void SetAdministratorLoggedIn(Database& db, bool value);
// Sets the flag only when it is not set, each step one statement, so that of two
// stations logging in at the same moment exactly one succeeds. True when this call set it.
bool TakeAdministratorFlag(Database& db);

} // namespace corvid::operatordb
