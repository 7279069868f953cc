// Text helpers on bytes: trimming and ASCII case-insensitive comparison (names, keywords
// and headers of this system are ASCII; other bytes compare as they are).
#pragma once

#include <algorithm>
#include <string_view>

namespace corvid::platform {

// The blanks of the C locale's isspace.
inline constexpr std::string_view kBlanks = " \t\n\v\f\r";

// text without leading and trailing blanks.
inline std::string_view Trim(std::string_view text, std::string_view blanks = kBlanks) {
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// text without trailing blanks.
inline std::string_view TrimRight(std::string_view text, std::string_view blanks = kBlanks) {
    std::size_t last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

inline constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal but for the case of ASCII letters.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace corvid::platform
