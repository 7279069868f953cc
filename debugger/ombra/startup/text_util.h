// Small text helpers of the start-up code.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace corvid::ombra::detail {

// ASCII lower case; other bytes (UTF-8 sequences) stay as they are, so positions in the
// result are positions in the original.
inline std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

} // namespace corvid::ombra::detail
