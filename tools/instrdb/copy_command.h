// instrdb copy FROM TO: a whole instrument or results database copied between database
// files and server databases, in any direction: tables, saved queries and rows, then
// the row count of every table checked.
#pragma once

#include <filesystem>
#include <ostream>

namespace corvid::instrdb {

// Copies FROM into TO, which must be new or empty (UsageError otherwise). TO gets the
// schema of FROM's kind (instrument or results database) and, from their columns, the
// tables of FROM that schema lacks; FROM's saved queries replace the schema's own of the
// same name. Writers of FROM wait while it is read, so the copy is of one moment.
// Prints one JSON line per table ({"table":NAME,"rows":N}, N the rows TO holds) and a
// summary line to out, the progress of long tables to err. Returns 0 when every table
// of TO holds as many rows as in FROM, 1 otherwise (naming the table on err).
int Copy(const std::filesystem::path& from, const std::filesystem::path& to, std::ostream& out,
         std::ostream& err);

} // namespace corvid::instrdb
