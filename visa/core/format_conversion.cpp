#include "format_conversion.h"

#include <cctype>
#include <cstring>

namespace corvid::visa {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number at format[at]; at moves past it. Refuses absurd sizes.
bool Number(const char* format, std::size_t& at, int& value) {
    long long n = 0;
    std::size_t start = at;
    while (IsDigit(format[at])) {
        n = n * 10 + (format[at] - '0');
        if (n > 0x7FFFFFFF) {
            return false;
        }
        ++at;
    }
    value = static_cast<int>(n);
    return at > start;
}

constexpr const char* kConversions = "diouxXfeEgGcs%bByntT[aAp";

} // namespace

ViStatus ParseConversion(const char* format, std::size_t& at, FormatConversion& out) {
    out = FormatConversion{};
    bool afterDot = false;
    for (;;) {
        char c = format[at];
        if (c == '\0') {
            return VI_ERROR_INV_FMT;
        }
        ++at;
        if (c == '-') {
            out.leftAlign = true;
        } else if (c == '+') {
            out.plusSign = true;
        } else if (c == ' ') {
            out.spaceSign = true;
        } else if (c == '#') {
            out.hash = true;
        } else if (c == '0' && out.width < 0 && !afterDot) {
            out.zeroPad = true;
        } else if (c == '*') {
            if (afterDot) {
                out.precisionStar = true;
            } else {
                out.star = true;
            }
        } else if (IsDigit(c)) {
            --at;
            int value = 0;
            if (!Number(format, at, value)) {
                return VI_ERROR_INV_FMT;
            }
            (afterDot ? out.precision : out.width) = value;
        } else if (c == '.') {
            afterDot = true;
            out.precision = 0;
        } else if (c == ',') {
            out.array = true;
            if (format[at] == '*' || format[at] == '#') {
                out.arraySizeIsPointer = format[at] == '#';
                ++at;
            } else if (!Number(format, at, out.arraySize)) {
                return VI_ERROR_INV_FMT;
            }
        } else if (c == '@') {
            char form = static_cast<char>(std::toupper(static_cast<unsigned char>(format[at])));
            if (form == '\0' || std::strchr("123HQB", form) == nullptr) {
                return VI_ERROR_INV_FMT;
            }
            out.numberForm = form;
            ++at;
        } else if (c == '!') {
            if (format[at] == 'o' && (format[at + 1] == 'b' || format[at + 1] == 'l')) {
                out.littleEndian = format[at + 1] == 'l';
                at += 2;
            } else {
                return VI_ERROR_INV_FMT;
            }
        } else if (c == 'h') {
            out.length = FormatLength::Short;
        } else if (c == 'l') {
            out.length = out.length == FormatLength::Long ? FormatLength::LongLong : FormatLength::Long;
        } else if (c == 'L') {
            out.length = FormatLength::LongDouble;
        } else if (c == 'z') {
            out.length = FormatLength::Real32;
        } else if (c == 'Z') {
            out.length = FormatLength::Real64;
        } else if (c == '[') {
            std::size_t start = at;
            if (format[at] == '^') {
                ++at;
            }
            if (format[at] == ']') {
                ++at; // a leading ']' belongs to the set
            }
            while (format[at] != '\0' && format[at] != ']') {
                ++at;
            }
            if (format[at] != ']') {
                return VI_ERROR_INV_FMT;
            }
            out.scanSet.assign(format + start, at - start);
            ++at;
            out.code = '[';
            return VI_SUCCESS;
        } else if (std::strchr(kConversions, c) != nullptr) {
            out.code = c;
            return VI_SUCCESS;
        } else {
            return VI_ERROR_INV_FMT;
        }
    }
}

char LiteralAt(const char* format, std::size_t& at) {
    char c = format[at++];
    if (c != '\\' || format[at] == '\0') {
        return c;
    }
    char next = format[at++];
    switch (next) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case '\\':
    case '"':
    case '\'':
        return next;
    default:
        break;
    }
    if (next >= '0' && next <= '7') {
        int value = next - '0';
        for (int digits = 1; digits < 3 && format[at] >= '0' && format[at] <= '7'; ++digits) {
            value = value * 8 + (format[at++] - '0');
        }
        return static_cast<char>(value);
    }
    --at; // an unknown escape stands for the backslash itself
    return '\\';
}

std::size_t BinaryElementSize(FormatLength length) {
    switch (length) {
    case FormatLength::Short:
        return 2;
    case FormatLength::Long:
    case FormatLength::Real32:
        return 4;
    case FormatLength::LongLong:
    case FormatLength::Real64:
        return 8;
    default:
        return 1;
    }
}

} // namespace corvid::visa
