// The scanf side of formatted I/O.
#include "format_conversion.h"
#include "formatted_io.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace corvid::visa {
namespace {

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool InScanSet(const std::string& set, int c) {
    bool negate = !set.empty() && set[0] == '^';
    bool found = false;
    for (std::size_t i = negate ? 1 : 0; i < set.size() && !found; ++i) {
        if (i + 2 < set.size() && set[i + 1] == '-') {
            found = c >= static_cast<unsigned char>(set[i]) && c <= static_cast<unsigned char>(set[i + 2]);
            i += 2;
        } else {
            found = c == static_cast<unsigned char>(set[i]);
        }
    }
    return found != negate;
}

class Scanner {
public:
    Scanner(va_list* args, FormatSource& source) : args_(args), in_(source) {}

    int assigned() const { return assigned_; }
    int Peek() { return in_.Peek(); }
    void Take() {
        in_.Take();
        ++consumed_;
    }
    void SkipSpace() {
        while (IsSpace(Peek())) {
            Take();
        }
    }

    // false when the input does not match (the scan ends there).
    bool Convert(const FormatConversion& c, ViStatus& status) {
        status = VI_SUCCESS;
        switch (c.code) {
        case '%':
            SkipSpace();
            if (Peek() != '%') {
                return false;
            }
            Take();
            return true;
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
        case 'f':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            return c.array ? NumberArray(c, status) : OneNumber(c);
        case 's':
        case 'c':
        case '[':
        case 't':
        case 'T':
            return Text(c, status);
        case 'n':
            if (!c.star) {
                *va_arg(*args_, int*) = static_cast<int>(consumed_);
            }
            return true;
        case 'b':
        case 'B':
        case 'y':
            return Binary(c, status);
        case 'a':
        case 'A':
        case 'p':
            status = VI_ERROR_NSUP_FMT;
            return false;
        default:
            status = VI_ERROR_INV_FMT;
            return false;
        }
    }

private:
    static bool IsReal(char code) { return std::strchr("feEgG", code) != nullptr; }

    // The text of one number: decimal with fraction and exponent, or an IEEE 488.2
    // "#H", "#Q", "#B" form; hexadecimal digits for %x.
    std::string NumberText(char code) {
        SkipSpace();
        std::string text;
        auto takeWhile = [&](auto accept) {
            while (Peek() >= 0 && accept(Peek())) {
                text += static_cast<char>(Peek());
                Take();
            }
        };
        if (Peek() == '#') {
            Take();
            text.push_back('#');
            if (Peek() >= 0) {
                text += static_cast<char>(std::toupper(Peek()));
                Take();
            }
            takeWhile([](int c) { return std::isxdigit(c) != 0; });
            return text;
        }
        if (Peek() == '+' || Peek() == '-') {
            text += static_cast<char>(Peek());
            Take();
        }
        if (code == 'x' || code == 'X' || code == 'i') {
            takeWhile([](int c) { return std::isxdigit(c) != 0 || c == 'x' || c == 'X'; });
            return text;
        }
        takeWhile([](int c) { return std::isdigit(c) != 0 || c == '.'; });
        if (Peek() == 'e' || Peek() == 'E') {
            text += static_cast<char>(Peek());
            Take();
            if (Peek() == '+' || Peek() == '-') {
                text += static_cast<char>(Peek());
                Take();
            }
            takeWhile([](int c) { return std::isdigit(c) != 0; });
        }
        return text;
    }

    // The value of a number text: false when it is not one.
    static bool Parse(const std::string& text, char code, long double& real, long long& integer) {
        if (text.empty() || text == "+" || text == "-") {
            return false;
        }
        const char* begin = text.c_str();
        char* end = nullptr;
        errno = 0;
        if (text[0] == '#') {
            int base = text.size() > 1 && text[1] == 'H' ? 16 : text.size() > 1 && text[1] == 'Q' ? 8 : 2;
            if (text.size() < 3 || std::strchr("HQB", text[1]) == nullptr) {
                return false;
            }
            unsigned long long value = std::strtoull(begin + 2, &end, base);
            integer = static_cast<long long>(value);
            real = static_cast<long double>(value);
            return *end == '\0';
        }
        if (IsReal(code) || text.find_first_of(".eE") != std::string::npos) {
            real = std::strtold(begin, &end);
            // An integer conversion of a real beyond its range takes the nearest end.
            constexpr auto kLowest = static_cast<long double>(std::numeric_limits<long long>::min());
            constexpr auto kHighest = static_cast<long double>(std::numeric_limits<long long>::max());
            integer = std::isnan(real)   ? 0
                      : real <= kLowest  ? std::numeric_limits<long long>::min()
                      : real >= kHighest ? std::numeric_limits<long long>::max()
                                         : static_cast<long long>(real);
            return *end == '\0';
        }
        int base = code == 'o' ? 8 : code == 'x' || code == 'X' ? 16 : code == 'i' ? 0 : 10;
        integer = std::strtoll(begin, &end, base);
        real = static_cast<long double>(integer);
        return *end == '\0';
    }

    void Store(const FormatConversion& c, void* target, std::size_t index, long double real,
               long long integer) {
        if (IsReal(c.code)) {
            switch (c.length) {
            case FormatLength::Long:
            case FormatLength::Real64:
                static_cast<double*>(target)[index] = static_cast<double>(real);
                return;
            case FormatLength::LongDouble:
                static_cast<long double*>(target)[index] = real;
                return;
            default:
                static_cast<float*>(target)[index] = static_cast<float>(real);
                return;
            }
        }
        switch (c.length) {
        case FormatLength::Short:
            static_cast<std::int16_t*>(target)[index] = static_cast<std::int16_t>(integer);
            return;
        case FormatLength::LongLong:
            static_cast<std::int64_t*>(target)[index] = static_cast<std::int64_t>(integer);
            return;
        default:
            static_cast<std::int32_t*>(target)[index] = static_cast<std::int32_t>(integer);
            return;
        }
    }

    bool OneNumber(const FormatConversion& c) {
        long double real = 0;
        long long integer = 0;
        if (!Parse(NumberText(c.code), c.code, real, integer)) {
            return false;
        }
        if (!c.star) {
            Store(c, va_arg(*args_, void*), 0, real, integer);
            ++assigned_;
        }
        return true;
    }

    // Numbers separated by commas, at most the array's size; ",#" gives the size
    // through a pointer and gets the count back.
    bool NumberArray(const FormatConversion& c, ViStatus& status) {
        int* sizeInOut = c.arraySize < 0 ? va_arg(*args_, int*) : nullptr;
        int max = sizeInOut ? *sizeInOut : c.arraySize;
        void* target = c.star ? nullptr : va_arg(*args_, void*);
        if (max < 0 || (!target && !c.star && max > 0)) {
            status = VI_ERROR_USER_BUF;
            return false;
        }
        int count = 0;
        while (count < max) {
            long double real = 0;
            long long integer = 0;
            if (count > 0) {
                SkipSpace();
                if (Peek() != ',') {
                    break;
                }
                Take();
            }
            if (!Parse(NumberText(c.code), c.code, real, integer)) {
                break;
            }
            if (target) {
                Store(c, target, static_cast<std::size_t>(count), real, integer);
            }
            ++count;
        }
        if (sizeInOut) {
            *sizeInOut = count;
        }
        if (count > 0 && target) {
            ++assigned_;
        }
        return count > 0;
    }

    // %s (a word), %c (characters), %[set], %t (to the end of the message), %T (to the
    // termination character). The buffer holds the width's count of characters, or
    // "#" gives its size (terminating zero included) through a pointer.
    bool Text(const FormatConversion& c, ViStatus& status) {
        int* sizeInOut = c.hash && !c.star ? va_arg(*args_, int*) : nullptr;
        char* target = c.star ? nullptr : va_arg(*args_, char*);
        if (!c.star && !target) {
            status = VI_ERROR_USER_BUF;
            return false;
        }
        std::size_t max = static_cast<std::size_t>(-1);
        if (sizeInOut) {
            max = *sizeInOut > 0 ? static_cast<std::size_t>(*sizeInOut) - (c.code == 'c' ? 0 : 1) : 0;
        } else if (c.width >= 0) {
            max = static_cast<std::size_t>(c.width);
        } else if (c.code == 'c') {
            max = 1;
        }
        if (c.code == 's') {
            SkipSpace();
        }
        const int term = in_.terminationCharacter();
        std::string text;
        while (text.size() < max && Peek() >= 0) {
            int next = Peek();
            if ((c.code == 's' && IsSpace(next)) || (c.code == '[' && !InScanSet(c.scanSet, next))) {
                break;
            }
            text += static_cast<char>(next);
            Take();
            if (c.code == 'T' && next == term) {
                break;
            }
        }
        if (text.empty() && c.code != 't' && c.code != 'T') {
            return false;
        }
        if (target) {
            std::memcpy(target, text.data(), text.size());
            if (c.code != 'c') {
                target[text.size()] = '\0';
            }
            ++assigned_;
        }
        if (sizeInOut) {
            *sizeInOut = static_cast<int>(text.size());
        }
        return true;
    }

    // %b and %B: a definite ("#<digits><length><data>") or indefinite ("#0<data>" to the
    // end of the message) block; %y: the width's count of elements, raw. "#" gives the
    // room in elements through a pointer and gets the count back.
    bool Binary(const FormatConversion& c, ViStatus& status) {
        int* countInOut = c.hash ? va_arg(*args_, int*) : nullptr;
        void* target = c.star ? nullptr : va_arg(*args_, void*);
        int room = countInOut ? *countInOut : c.width;
        if (room < 0 || (!target && !c.star)) {
            status = room < 0 ? VI_ERROR_INV_FMT : VI_ERROR_USER_BUF;
            return false;
        }
        const std::size_t size = BinaryElementSize(c.length);
        std::string bytes;
        if (c.code == 'y') {
            ReadBytes(static_cast<std::size_t>(room) * size, bytes);
        } else if (!ReadBlock(bytes)) {
            return false;
        }
        std::size_t count = std::min<std::size_t>(bytes.size() / size, static_cast<std::size_t>(room));
        if (target) {
            auto* out = static_cast<unsigned char*>(target);
            const bool sameOrder = c.littleEndian == (std::endian::native == std::endian::little);
            for (std::size_t e = 0; e < count; ++e) {
                for (std::size_t b = 0; b < size; ++b) {
                    out[e * size + b] =
                        static_cast<unsigned char>(bytes[e * size + (sameOrder ? b : size - 1 - b)]);
                }
            }
            ++assigned_;
        }
        if (countInOut) {
            *countInOut = static_cast<int>(count);
        }
        return count > 0 || !bytes.empty() || c.code != 'y';
    }

    void ReadBytes(std::size_t count, std::string& bytes) {
        while (bytes.size() < count && Peek() >= 0) {
            bytes += static_cast<char>(Peek());
            Take();
        }
    }

    bool ReadBlock(std::string& bytes) {
        SkipSpace();
        if (Peek() != '#') {
            return false;
        }
        Take();
        int digits = Peek() - '0';
        if (digits < 0 || digits > 9) {
            return false;
        }
        Take();
        if (digits == 0) { // to the end of the message, without its line feed
            ReadBytes(static_cast<std::size_t>(-1), bytes);
            if (!bytes.empty() && bytes.back() == '\n') {
                bytes.pop_back();
            }
            return true;
        }
        std::string length;
        ReadBytes(static_cast<std::size_t>(digits), length);
        if (length.size() != static_cast<std::size_t>(digits) ||
            length.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        ReadBytes(std::stoull(length), bytes);
        return true;
    }

    va_list* args_;
    FormatSource& in_;
    int assigned_ = 0;
    std::size_t consumed_ = 0;
};

} // namespace

ViStatus ScanInput(const char* format, va_list* args, FormatSource& source, int* assigned) {
    if (!format) {
        return VI_ERROR_USER_BUF;
    }
    Scanner scanner(args, source);
    ViStatus status = VI_SUCCESS;
    std::size_t at = 0;
    while (format[at] != '\0' && status >= VI_SUCCESS) {
        if (format[at] == '%') {
            ++at;
            FormatConversion conversion;
            status = ParseConversion(format, at, conversion);
            if (status < VI_SUCCESS || !scanner.Convert(conversion, status)) {
                break;
            }
            continue;
        }
        char c = LiteralAt(format, at);
        if (IsSpace(static_cast<unsigned char>(c))) {
            scanner.SkipSpace();
        } else if (scanner.Peek() == static_cast<unsigned char>(c)) {
            scanner.Take();
        } else {
            break;
        }
    }
    if (assigned) {
        *assigned = scanner.assigned();
    }
    if (status >= VI_SUCCESS && source.failure() < VI_SUCCESS) {
        return source.failure();
    }
    return status;
}

} // namespace corvid::visa
