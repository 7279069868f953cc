// Merges the rows of an SQLite file into the instrument database: every table of the
// source goes into the table of the same name, column by column, replacing rows with the
// same key, all in one transaction.
#pragma once

#include <string>

namespace corvid::dbmerge {

// Throws std::runtime_error with the reason (the engine's message) when the merge fails;
// nothing is changed then.
void MergeDatabase(const std::string& target, const std::string& source);

} // namespace corvid::dbmerge
