// Record sets as tab-separated text: a header line of column names, then one line per
// row. Tabs, line breaks and backslashes inside values are written as \t, \n, \r and
// \\; a null is empty.
#pragma once

#include "operatordb/recordset.h"

#include <ostream>
#include <string>

namespace corvid::instrdb {

std::string EscapedField(const std::string& text);

// Prints every row from the first; returns the number of rows printed.
long PrintRows(std::ostream& out, operatordb::Recordset& rows);

} // namespace corvid::instrdb
