// The display texts of a value block.
#include "block_messages.h"
#include "link/copy_data_block.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace corvid::link {
namespace {

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t LittleEndian64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(LittleEndian32(p)) | static_cast<std::uint64_t>(LittleEndian32(p + 4))
                                                               << 32;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// "%1.4e" in the C locale: a program that adopts the user's locale (as the Qt programs do)
// must not turn the decimal point into a comma.
std::string Scientific(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 4);
    return std::string(buffer, result.ptr);
}

// Keeps the first maxLength - 3 characters and appends "...".
void Cut(std::string& text, std::size_t maxLength) {
    text.resize(maxLength >= 3 ? maxLength - 3 : 0);
    text += "...";
}

const char* ArrayName(unsigned type) {
    switch (type) {
    case CCopyDataBlock::Integer:
        return "integer";
    case CCopyDataBlock::Long:
        return "long";
    case CCopyDataBlock::Float:
        return "float";
    case CCopyDataBlock::Double:
        return "double";
    case CCopyDataBlock::Byte:
        return "byte";
    case CCopyDataBlock::Dword:
        return "dword";
    default:
        return nullptr;
    }
}

std::string InvalidText(unsigned type) {
    ShowBlockMessage("Invalid CCopyDataBlock data type", type, "detected in GetString");
    return "INVALID";
}

} // namespace

// One element of a numeric block. Callers check the index against the count.
std::string CCopyDataBlock::ElementText(std::size_t index) const {
    const std::uint8_t* p = data_.get() + index * GetByteSize(type_);
    switch (type_) {
    case Integer:
    case Long:
        return Format("%i", static_cast<std::int32_t>(LittleEndian32(p)));
    case Byte:
        return Format("%i", static_cast<int>(*p));
    case Float:
        return Scientific(static_cast<double>(std::bit_cast<float>(LittleEndian32(p))));
    case Double:
        return Scientific(std::bit_cast<double>(LittleEndian64(p)));
    case Dword:
        return Format("0x%.8X", static_cast<unsigned>(LittleEndian32(p)));
    default:
        return {};
    }
}

void CCopyDataBlock::NumericText(std::string& out, std::size_t maxLength) const {
    out = ElementText(0);
    for (std::size_t i = 1; i < count_; ++i) {
        out += ", ";
        out += ElementText(i);
        if (out.size() >= maxLength) {
            Cut(out, maxLength);
            return;
        }
    }
}

std::string CCopyDataBlock::CharText(std::size_t maxLength) const {
    const auto* chars = reinterpret_cast<const char*>(data_.get());
    if (count_ == 1) // a single character; a lone zero byte is the empty text
        return std::string(chars, chars[0] != '\0' ? 1 : 0);
    // The text ends at its zero byte, or at the end of the buffer when there is none.
    std::string text(chars, ::strnlen(chars, count_));
    if (text.size() >= maxLength)
        Cut(text, maxLength);
    return text;
}

void CCopyDataBlock::GetString(std::string& out, std::size_t maxLength) const {
    if (!data_)
        return;
    if (count_ == 0) {
        out.clear();
        return;
    }
    switch (type_) {
    case Integer:
    case Long:
    case Float:
    case Double:
    case Byte:
    case Dword:
        NumericText(out, maxLength);
        break;
    case Char:
        out = CharText(maxLength);
        break;
    case Unknown:
        out = "UNKNOWN";
        break;
    case Empty:
        out.clear();
        break;
    default:
        out = InvalidText(type_);
        break;
    }
}

std::string CCopyDataBlock::GetString(bool full, std::size_t maxLength) const {
    std::string text;
    if (full) {
        GetString(text, maxLength);
        return text;
    }
    if (!data_ || count_ == 0)
        return text;
    switch (type_) {
    case Char:
        return CharText(maxLength);
    case Unknown:
        return "UNKNOWN";
    case Empty:
        return text;
    default:
        if (const char* name = ArrayName(type_))
            return count_ == 1 ? ElementText(0) : std::to_string(count_) + " element, " + name + " array";
        return InvalidText(type_);
    }
}

} // namespace corvid::link
