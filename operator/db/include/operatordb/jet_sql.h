// Jet SQL, as the operator interface writes it, rewritten for SQLite.
//
// Only what SQLite does not take, or takes with another meaning, is rewritten:
//   - "Delete * from T" and "Delete T.* from T" lose the "*" part;
//   - a comparison with True or False tests for non-zero or zero ("X = True" becomes
//     "X <> 0"), since yes/no columns written by other engines hold -1 for true;
//     elsewhere True and False are 1 and 0;
//   - "text" in double quotes is a string, as in Jet, not an identifier;
//   - "&" concatenates text;
//   - the wildcards * and ? of a LIKE pattern become % and _;
//   - a saved query named where a table belongs (after FROM, JOIN or a comma of the
//     FROM list) becomes its SQL in parentheses, so that queries build on queries.
// Bracketed names, "Select DISTINCT", "Insert into ... Select", bare yes/no columns
// as conditions and named parameters (:Name) pass through unchanged.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvid::operatordb {

// Returns the stored SQL of the saved query of that name (compared without regard to
// case), or nullopt when the name is not a saved query.
using SavedQueryLookup = std::function<std::optional<std::string>(const std::string& name)>;

// Throws DbError "Circular reference caused by 'NAME'." when saved queries refer to
// each other in a circle.
std::string TranslateJetSql(std::string_view jetSql, const SavedQueryLookup& lookup = {});

} // namespace corvid::operatordb
