#include "com/guid.h"

#include <cstdio>

namespace corvid::com {

void detail::MalformedGuidLiteral() {
    // Only reachable from MakeGuid, which is consteval: never called at run time.
    __builtin_trap();
}

std::optional<GUID> ParseGuid(std::string_view text) {
    return detail::ParseBraced(text);
}

std::optional<GUID> ParseGuid(std::u16string_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (char16_t c : text) {
        if (c > 0x7F)
            return std::nullopt;
        narrow.push_back(static_cast<char>(c));
    }
    return detail::ParseBraced(narrow);
}

std::string FormatGuid(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
                  guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                  guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::u16string FormatGuidWide(const GUID& guid) {
    std::string narrow = FormatGuid(guid);
    return std::u16string(narrow.begin(), narrow.end());
}

std::size_t GuidHash::operator()(const GUID& guid) const noexcept {
    std::size_t hash = guid.Data1;
    hash = hash * 31 + guid.Data2;
    hash = hash * 31 + guid.Data3;
    for (auto byte : guid.Data4)
        hash = hash * 31 + byte;
    return hash;
}

} // namespace corvid::com
