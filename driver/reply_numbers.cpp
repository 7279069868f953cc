#include "reply_numbers.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

namespace corvid::driver {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The text after leading blanks, and whether a minus sign came first (the sign is removed).
std::string_view Unsigned(std::string_view text, bool& negative) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    text.remove_prefix(start);
    negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);
    return text;
}

} // namespace

std::int32_t LeadingInteger(std::string_view text) {
    bool negative = false;
    text = Unsigned(text, negative);
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min(limit, value * 10 + (c - '0'));
    }
    value = negative ? -value : std::min(value, limit - 1);
    return static_cast<std::int32_t>(value);
}

double LeadingDouble(std::string_view text) {
    bool negative = false;
    text = Unsigned(text, negative);
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        return 0.0; // a second sign
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large gives infinity, too small zero, as with atof.
        std::string_view number(text.data(), static_cast<std::size_t>(end - text.data()));
        std::size_t exponent = number.find_first_of("eE");
        bool tiny =
            exponent != std::string_view::npos && exponent + 1 < number.size() && number[exponent + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (error != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

} // namespace corvid::driver
