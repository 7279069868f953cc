// The single-byte code page of an instrument's texts. Automation texts are UTF-16; what
// goes over the bus, into the log's "Write : " and "Read : " entries and into the
// debugger's records are bytes of this code page, one byte a character, so that every
// byte value an instrument sends comes back to it unchanged.
#pragma once

#include <string>
#include <string_view>

namespace corvid::driver {

class CodePage {
public:
    // The code page named by CORVID_CODEPAGE ("28591" or "latin1", "1252", "437"), Latin-1
    // when it is unset. An unknown name is reported once on standard error and Latin-1
    // is used.
    static CodePage OfProcess();
    // The code page of that name, or Latin-1 with known set to false.
    static CodePage Named(std::string_view name, bool* known = nullptr);

    // One byte for each UTF-16 unit; characters outside the code page become '?'.
    std::string FromUtf16(std::u16string_view text) const;
    std::u16string ToUtf16(std::string_view bytes) const;
    // The bytes' characters as UTF-8 (for log entries).
    std::string ToUtf8(std::string_view bytes) const;

private:
    explicit CodePage(const char16_t* high) : high_(high) {}
    char16_t CharacterOf(unsigned char byte) const;

    const char16_t* high_; // the characters of 0x80..0xFF, null for Latin-1
};

} // namespace corvid::driver
