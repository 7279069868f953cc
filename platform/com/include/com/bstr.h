// Automation text (BSTR): UTF-16 code units preceded by their byte count (32 bits) and
// followed by a zero code unit. A BSTR points at the first code unit, so it can be read
// as a zero-terminated string, yet it may hold zero code units inside; its length
// comes from the prefix. A null BSTR is the empty text.
#pragma once

#include "com/types.h"

#include <string>
#include <string_view>
#include <utility>

namespace corvid::com {

// A copy of a zero-terminated text; null for a null source or when out of memory.
BSTR SysAllocString(const OLECHAR* text);
// length code units copied from text, or zeroed when text is null; null when out of memory.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// Frees a BSTR; null is ignored.
void SysFreeString(BSTR text);
// Replaces *target with a copy of text. False (and *target unchanged) when out of memory.
bool SysReAllocString(BSTR* target, const OLECHAR* text);
// Length in code units / bytes, from the prefix; 0 for null.
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// UTF-8 <-> UTF-16. Malformed input (invalid UTF-8, unpaired surrogates) becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

// A new BSTR from UTF-8 text (null when out of memory), and a BSTR's text as UTF-8.
BSTR BstrFromUtf8(std::string_view text);
std::string Utf8FromBstr(BSTR text);

// The code units of a BSTR, by its length prefix.
inline std::u16string_view BstrView(BSTR text) {
    return {text ? text : u"", SysStringLen(text)};
}

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8) : text_(BstrFromUtf8(utf8)) {}
    explicit Bstr(std::u16string_view text)
        : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr& other) : text_(Copy(other.text_)) {}
    Bstr(Bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
    Bstr& operator=(Bstr other) noexcept {
        std::swap(text_, other.text_);
        return *this;
    }
    ~Bstr() { SysFreeString(text_); }

    // Takes over a BSTR the caller owns.
    static Bstr Adopt(BSTR text) {
        Bstr result;
        result.text_ = text;
        return result;
    }
    // A copy of a BSTR the caller keeps (its length prefix is honoured).
    static Bstr CopyOf(BSTR text) { return Adopt(Copy(text)); }

    [[nodiscard]] BSTR Detach() { return std::exchange(text_, nullptr); }
    void Reset() { SysFreeString(std::exchange(text_, nullptr)); }
    // For out parameters: frees the current text and returns the slot.
    BSTR* Out() {
        Reset();
        return &text_;
    }

    BSTR get() const { return text_; }
    UINT Length() const { return SysStringLen(text_); }
    std::u16string_view View() const { return BstrView(text_); }
    std::string Utf8() const { return Utf8FromBstr(text_); }

private:
    static BSTR Copy(BSTR text) { return text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr; }

    BSTR text_ = nullptr;
};

} // namespace corvid::com
