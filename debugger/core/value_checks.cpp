#include "debugger/value_checks.h"

#include "platform/text.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace corvid::debugger {
namespace {

constexpr std::string_view kNotInIntegers =
    "abcdefghijklmnopqrstuvwxyz\t\r\n `~!@#$%^&*()_=|\\{}[]:;\"'<>,.?/";
constexpr std::string_view kNotInReals = "abcdfghijklmnopqrstuvwxyz\t\r\n `~!@#$%^&*()_=|\\{}[]:;\"'<>,?/";

bool HasAnyOf(std::string_view text, std::string_view forbidden) {
    for (char c : text)
        if (forbidden.find(static_cast<char>(std::tolower(static_cast<unsigned char>(c)))) !=
            std::string_view::npos)
            return true;
    return false;
}

std::string_view WithoutLeading(std::string_view text, std::string_view characters) {
    const std::size_t first = text.find_first_not_of(characters);
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

} // namespace

std::optional<std::uint8_t> ParseBusAddress(std::string_view text) {
    const std::string_view digits = platform::Trim(text);
    if (digits == "0")
        return 0;
    // Leading zeros do not count ("007" is 7); a zero is typed as the single digit.
    const std::string_view significant = WithoutLeading(digits, "0");
    if (significant.empty() || significant.size() > 2 ||
        significant.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const int value = std::stoi(std::string(significant));
    if (value > 31)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::optional<std::int64_t> IntegerCheck(std::string_view text) {
    const std::string trimmed(platform::Trim(text));
    if (HasAnyOf(trimmed, kNotInIntegers))
        return std::nullopt;
    errno = 0;
    const long long value = std::strtoll(trimmed.c_str(), nullptr, 10);
    if (errno == ERANGE)
        return std::nullopt;
    if (value == 0 && !WithoutLeading(trimmed, "-+0").empty())
        return std::nullopt;
    return value;
}

std::optional<double> RealCheck(std::string_view text) {
    const std::string trimmed(platform::Trim(text));
    if (HasAnyOf(trimmed, kNotInReals))
        return std::nullopt;
    // The leading real number, read the same in every locale. A lone plus sign may lead.
    std::string_view number = trimmed;
    if (number.size() > 1 && number[0] == '+' && number[1] != '-' && number[1] != '+')
        number.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range || !std::isfinite(value))
        return std::nullopt;
    if (value == 0 && WithoutLeading(trimmed, "-+").find_first_of("123456789") != std::string_view::npos)
        return std::nullopt;
    return value;
}

} // namespace corvid::debugger
