// Values placed into the filter texts of the record bindings.
#pragma once

#include <string>

namespace corvid::operatordb {

// A text between single quotes with every apostrophe inside doubled, so that a serial
// number holding one is looked up as it is instead of breaking (or extending) the
// statement.
inline std::string QuotedText(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}

} // namespace corvid::operatordb
