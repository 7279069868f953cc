// Globally unique identifiers of classes, interfaces, type libraries and categories,
// written "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include "com/types.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvid::com {

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    friend constexpr bool operator==(const GUID& a, const GUID& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return false;
        return true;
    }
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};

namespace detail {

constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Parses the braced form; nullopt for anything else.
constexpr std::optional<GUID> ParseBraced(std::string_view text) {
    constexpr std::string_view pattern = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text.size() != pattern.size())
        return std::nullopt;
    std::uint8_t bytes[16] = {};
    int nibble = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != 'X') {
            if (text[i] != pattern[i])
                return std::nullopt;
            continue;
        }
        int digit = HexDigit(text[i]);
        if (digit < 0)
            return std::nullopt;
        bytes[nibble / 2] = static_cast<std::uint8_t>(bytes[nibble / 2] << 4 | digit);
        ++nibble;
    }
    GUID guid;
    guid.Data1 = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                 std::uint32_t(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = bytes[8 + i];
    return guid;
}

// Not constexpr on purpose: reaching it while evaluating a constant expression makes
// a malformed identifier literal a compile-time error.
[[noreturn]] void MalformedGuidLiteral();

} // namespace detail

// An identifier from its braced text, for constants: MakeGuid("{00000000-...}").
consteval GUID MakeGuid(std::string_view text) {
    auto guid = detail::ParseBraced(text);
    if (!guid)
        detail::MalformedGuidLiteral();
    return *guid;
}

// The braced form, case-insensitive hex digits; nullopt when malformed.
std::optional<GUID> ParseGuid(std::string_view text);
std::optional<GUID> ParseGuid(std::u16string_view text);

// "{ADF86D73-9285-11D1-AF74-0060B01A7E89}": braces, upper-case hex digits.
std::string FormatGuid(const GUID& guid);
std::u16string FormatGuidWide(const GUID& guid);

struct GuidHash {
    std::size_t operator()(const GUID& guid) const noexcept;
};

} // namespace corvid::com
