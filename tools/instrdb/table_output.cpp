#include "table_output.h"

namespace corvid::instrdb {

std::string EscapedField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

long PrintRows(std::ostream& out, operatordb::Recordset& rows) {
    const auto& names = rows.ColumnNames();
    for (size_t i = 0; i < names.size(); ++i)
        out << (i ? "\t" : "") << EscapedField(names[i]);
    out << '\n';
    long count = 0;
    for (rows.MoveFirst(); !rows.IsEOF(); rows.MoveNext(), ++count) {
        for (size_t i = 0; i < names.size(); ++i)
            out << (i ? "\t" : "") << EscapedField(rows.GetValue(static_cast<int>(i)).AsText());
        out << '\n';
    }
    return count;
}

} // namespace corvid::instrdb
