// Owners of SQLite's handles: a connection closed and a statement finalised when the owner
// goes. sqlite3_close_v2 finishes closing once the last statement is finalised, so the
// owners may go in any order.
#pragma once

#include <memory>
#include <sqlite3.h>

namespace corvid::platform {

struct SqliteClose {
    void operator()(sqlite3* connection) const { sqlite3_close_v2(connection); }
};
struct SqliteFinalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

using SqliteConnection = std::unique_ptr<sqlite3, SqliteClose>;
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteFinalize>;

} // namespace corvid::platform
