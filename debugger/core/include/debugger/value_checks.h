// The checks the editing dialogs apply to typed values.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvid::debugger {

// A GPIB bus address typed by the user: the trimmed text must be a decimal number from 0
// to 31 (leading zeros allowed, as in "007"), and 0 only when typed as the single digit "0".
std::optional<std::uint8_t> ParseBusAddress(std::string_view text);

// An integer value: the trimmed text may hold no letter, blank or punctuation other than
// signs; its value is its leading decimal integer, which must be non-zero unless the text
// is made only of signs and zeros. Values beyond 64 bits are refused.
std::optional<std::int64_t> IntegerCheck(std::string_view text);

// A real value: as the integer check, but the letter e and the full stop are allowed; a
// value of 0 is refused when the text holds a digit from 1 to 9. Values that are not
// finite are refused.
std::optional<double> RealCheck(std::string_view text);

} // namespace corvid::debugger
