// What the grid needs to know of a saved query: the parameter values in the types it
// declares, and whether its rows can be written back, that is whether they are the
// rows of one table with plain columns of it.
#pragma once

#include "operatordb/database.h"

#include <optional>
#include <string>
#include <vector>

namespace corvid::gridwizdao {

// The values of the parameters the query declares, converted to the declared types
// (Long, Integer, Byte, Double, Single, YesNo, Text). Values of parameters it does not
// declare are dropped; a declared one without a value is left out, for the engine to
// report. A value that is not of its type raises DbError.
operatordb::Parameters TypedParameters(const operatordb::SavedQuery& query,
                                       const std::vector<std::pair<std::string, std::string>>& values);

// A query whose rows can be written: the table, the table column of each result column,
// and the query's text with the rows' identity as an extra first column. A query that
// reads another saved query (instead of a table) writes through to that query's table
// when that query's rows can be written.
struct WritableQuery {
    std::string table;
    std::vector<std::string> columns;
    std::vector<std::string> names; // each result column's name (its alias, else its column)
    std::string sqlWithRowIds;
};

inline constexpr const char* kRowIdColumn = "__GridRowId";

// The writable form of the query, or nullopt with the reason in why.
std::optional<WritableQuery> AnalyseQuery(operatordb::Database& db, const operatordb::SavedQuery& query,
                                          std::string& why);

} // namespace corvid::gridwizdao
