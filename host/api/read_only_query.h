// A read-only query on an SQLite file or a server database (a postgresql:// URI), for
// test plans that look up their station's equipment in the instrument database.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace corvid::host {

using QueryValue = std::variant<std::monostate, std::int64_t, double, std::string>;
// One row: column names with their values, in column order.
using QueryRow = std::vector<std::pair<std::string, QueryValue>>;
// A parameter: named (":Name" in the text) or, with an empty name, by position.
using QueryParameter = std::pair<std::string, QueryValue>;

// Opens the file read-only, runs one statement and returns its rows. Throws
// std::runtime_error with the engine's message when the file cannot be opened, the
// statement is refused or would write.
std::vector<QueryRow> QueryReadOnly(const std::string& path, const std::string& sql,
                                    const std::vector<QueryParameter>& parameters);

} // namespace corvid::host
