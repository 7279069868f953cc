// An execution-plan rewrite the engine needs for the test filter's statements.
//
// SQLite runs "x IN (SELECT c FROM T WHERE a AND k)" by re-running the subquery for
// every outer row and evaluates k for every row of T, even when k depends on the outer
// row only; with a correlated subquery in k that is quadratic. When such an IN is a
// conjunct of a WHERE clause made of ANDs only, "k AND x IN (SELECT c FROM T WHERE a)"
// selects the same rows (k false or null: the subquery is empty and the IN false), and
// k then runs once per outer row. Only conditions that provably use no column of T (nor
// its rowid), with no function calls, are moved, and only out of a subquery that is a plain
// filter of one table (no LIMIT, ORDER BY, grouping or compound SELECT) whose IN is a whole
// conjunct; a statement with a bare "?" there is left alone, as is anything the rewrite
// does not understand.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvid::operatordb::jet {

// The column names of a table, or nullopt when there is no such table.
using ColumnLookup = std::function<std::optional<std::vector<std::string>>(const std::string& table)>;

std::string HoistOuterConditions(const std::string& sqliteSql, const ColumnLookup& columns);

} // namespace corvid::operatordb::jet
