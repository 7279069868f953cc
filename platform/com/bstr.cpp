#include "com/bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace corvid::com {
namespace {

using Prefix = std::uint32_t;

// The byte count lives just before the first code unit.
Prefix* PrefixOf(BSTR text) {
    return reinterpret_cast<Prefix*>(reinterpret_cast<char*>(text) - sizeof(Prefix));
}

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

// Decodes one UTF-8 sequence at text[i]; advances i. Overlong forms, surrogates and
// values above U+10FFFF are malformed and give U+FFFD for their first byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
    auto byte = [&](std::size_t k) {
        return static_cast<unsigned char>(text[k]);
    };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra = lead >= 0xC2 && lead <= 0xDF   ? 1
                : lead >= 0xE0 && lead <= 0xEF ? 2
                : lead >= 0xF0 && lead <= 0xF4 ? 3
                                               : 0;
    if (extra == 0 || i + extra >= text.size()) {
        ++i;
        return kReplacement;
    }
    char32_t c = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = c << 6 | (next & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return c;
}

} // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    constexpr std::size_t kMaxLength =
        (std::numeric_limits<Prefix>::max() - sizeof(Prefix)) / sizeof(OLECHAR) - 1;
    if (length > kMaxLength)
        return nullptr;
    std::size_t bytes = std::size_t(length) * sizeof(OLECHAR);
    auto* block = static_cast<char*>(std::malloc(sizeof(Prefix) + bytes + sizeof(OLECHAR)));
    if (!block)
        return nullptr;
    auto prefix = static_cast<Prefix>(bytes);
    std::memcpy(block, &prefix, sizeof prefix);
    auto* units = reinterpret_cast<OLECHAR*>(block + sizeof(Prefix));
    if (text)
        std::memcpy(units, text, bytes);
    else
        std::memset(units, 0, bytes);
    units[length] = 0;
    return units;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text)
        return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::char_traits<OLECHAR>::length(text)));
}

void SysFreeString(BSTR text) {
    if (text)
        std::free(PrefixOf(text));
}

bool SysReAllocString(BSTR* target, const OLECHAR* text) {
    if (!target)
        return false;
    BSTR copy = SysAllocString(text);
    if (text && !copy)
        return false;
    SysFreeString(*target);
    *target = copy;
    return true;
}

UINT SysStringByteLen(BSTR text) {
    if (!text)
        return 0;
    Prefix bytes;
    std::memcpy(&bytes, PrefixOf(text), sizeof bytes);
    return bytes;
}

UINT SysStringLen(BSTR text) {
    return SysStringByteLen(text) / sizeof(OLECHAR);
}

std::u16string Utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        AppendUtf16(out, DecodeUtf8(text, i));
    return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

BSTR BstrFromUtf8(std::string_view text) {
    std::u16string wide = Utf16FromUtf8(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string Utf8FromBstr(BSTR text) {
    return Utf8FromUtf16(BstrView(text));
}

} // namespace corvid::com
