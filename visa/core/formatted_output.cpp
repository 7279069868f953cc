// The printf side of formatted I/O.
#include "format_conversion.h"
#include "formatted_io.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace corvid::visa {
namespace {

// printf of one value with the flags, width and precision of the conversion.
template <class T>
std::string CFormat(const FormatConversion& c, int width, int precision, const char* length, char code,
                    T value) {
    std::string pattern = "%";
    pattern += c.leftAlign ? "-" : "";
    pattern += c.plusSign ? "+" : "";
    pattern += c.spaceSign ? " " : "";
    pattern += c.zeroPad ? "0" : "";
    pattern += c.hash && std::strchr("oxXeEfgG", code) != nullptr ? "#" : "";
    if (width >= 0) {
        pattern += std::to_string(width);
    }
    if (precision >= 0) {
        pattern += "." + std::to_string(precision);
    }
    pattern += length;
    pattern += code;
    int size = std::snprintf(nullptr, 0, pattern.c_str(), value);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), pattern.c_str(), value);
    out.resize(static_cast<std::size_t>(size));
    return out;
}

// The IEEE 488.2 non-decimal forms: "#H1F", "#Q17", "#B11111".
std::string Radix(char form, std::uint64_t value) {
    const unsigned base = form == 'H' ? 16 : form == 'Q' ? 8 : 2;
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789ABCDEF"[value % base]);
        value /= base;
    } while (value != 0);
    return std::string("#") + form + digits;
}

class Printer {
public:
    Printer(va_list* args, FormatSink& sink) : args_(args), sink_(sink) {}

    ViStatus Convert(const FormatConversion& c) {
        width_ = c.width;
        precision_ = c.precision;
        if (c.star) {
            width_ = va_arg(*args_, int);
        }
        if (c.precisionStar) {
            precision_ = va_arg(*args_, int);
        }
        switch (c.code) {
        case '%':
            return Put("%");
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
            return c.array ? NumberArray(c) : Put(Scalar(c));
        case 'c':
            return Put(CFormat(c, width_, -1, "", 'c', va_arg(*args_, int)));
        case 's': {
            const char* text = va_arg(*args_, const char*);
            return Put(CFormat(c, width_, precision_, "", 's', text ? text : ""));
        }
        case 'b':
        case 'B':
        case 'y':
            return Binary(c);
        case 'a':
        case 'A':
        case 'p':
        case 'n':
            return VI_ERROR_NSUP_FMT;
        default:
            return VI_ERROR_INV_FMT; // input-only conversions
        }
    }

private:
    ViStatus Put(const std::string& text) { return sink_.Put(text.data(), text.size()); }

    bool IsReal(char code) const { return std::strchr("feEgG", code) != nullptr; }

    // One number taken from the arguments.
    std::string Scalar(const FormatConversion& c) {
        if (IsReal(c.code)) {
            long double value =
                c.length == FormatLength::LongDouble ? va_arg(*args_, long double) : va_arg(*args_, double);
            return Real(c, value);
        }
        long long value = 0;
        switch (c.length) {
        case FormatLength::Short:
            value = static_cast<short>(va_arg(*args_, int));
            break;
        case FormatLength::LongLong:
            value = va_arg(*args_, long long);
            break;
        default: // ViInt32, also for "l"
            value = va_arg(*args_, int);
            break;
        }
        return Integer(c, value);
    }

    std::string Integer(const FormatConversion& c, long long value) {
        const bool wide = c.length == FormatLength::LongLong;
        const std::uint64_t bits = wide                              ? static_cast<std::uint64_t>(value)
                                   : c.length == FormatLength::Short ? static_cast<std::uint16_t>(value)
                                                                     : static_cast<std::uint32_t>(value);
        switch (c.numberForm) {
        case 'H':
        case 'Q':
        case 'B':
            return Radix(c.numberForm, bits);
        case '2':
        case '3':
            return Real(c, static_cast<long double>(value));
        default:
            break;
        }
        if (c.code == 'd' || c.code == 'i') {
            return CFormat(c, width_, precision_, "ll", c.code, value);
        }
        return CFormat(c, width_, precision_, "ll", c.code, static_cast<unsigned long long>(bits));
    }

    std::string Real(const FormatConversion& c, long double value) {
        switch (c.numberForm) {
        case '1':
            return CFormat(c, width_, -1, "ll", 'd', std::llround(value));
        case '2':
            return CFormat(c, width_, precision_, "L", 'f', value);
        case '3':
            return CFormat(c, width_, precision_, "L", 'E', value);
        case 'H':
        case 'Q':
        case 'B':
            return Radix(c.numberForm, static_cast<std::uint64_t>(static_cast<long long>(value)));
        default:
            break;
        }
        char code = IsReal(c.code) ? c.code : 'f';
        return CFormat(c, width_, precision_, "L", code, value);
    }

    // ",N": the elements of an array, separated by commas. Integers are ViInt32 unless
    // h or ll says otherwise; reals are ViReal32 unless l (ViReal64) or L.
    ViStatus NumberArray(const FormatConversion& c) {
        int count = c.arraySize >= 0 ? c.arraySize : va_arg(*args_, int);
        const void* data = va_arg(*args_, const void*);
        if (count < 0 || (!data && count > 0)) {
            return VI_ERROR_USER_BUF;
        }
        std::string out;
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                out += ',';
            }
            out += Element(c, data, static_cast<std::size_t>(i));
        }
        return Put(out);
    }

    std::string Element(const FormatConversion& c, const void* data, std::size_t i) {
        if (IsReal(c.code)) {
            switch (c.length) {
            case FormatLength::Long:
            case FormatLength::Real64:
                return Real(c, static_cast<const double*>(data)[i]);
            case FormatLength::LongDouble:
                return Real(c, static_cast<const long double*>(data)[i]);
            default:
                return Real(c, static_cast<const float*>(data)[i]);
            }
        }
        switch (c.length) {
        case FormatLength::Short:
            return Integer(c, static_cast<const std::int16_t*>(data)[i]);
        case FormatLength::LongLong:
            return Integer(c, static_cast<const std::int64_t*>(data)[i]);
        default:
            return Integer(c, static_cast<const std::int32_t*>(data)[i]);
        }
    }

    // %b: "#<digits><length><data>"; %B: "#0<data>" and the end of the message;
    // %y: the data alone. Elements go big-endian unless "!ol".
    ViStatus Binary(const FormatConversion& c) {
        int count = width_;
        if (c.hash || c.star || count < 0) {
            count = c.star ? width_ : va_arg(*args_, int);
        }
        const void* data = va_arg(*args_, const void*);
        if (count < 0 || (!data && count > 0)) {
            return VI_ERROR_USER_BUF;
        }
        const std::size_t size = BinaryElementSize(c.length);
        std::string bytes(static_cast<std::size_t>(count) * size, '\0');
        const auto* in = static_cast<const unsigned char*>(data);
        for (std::size_t e = 0; e < static_cast<std::size_t>(count); ++e) {
            for (std::size_t b = 0; b < size; ++b) {
                const bool sameOrder = c.littleEndian == (std::endian::native == std::endian::little);
                std::size_t from = sameOrder ? b : size - 1 - b;
                bytes[e * size + b] = static_cast<char>(in[e * size + from]);
            }
        }
        std::string out;
        if (c.code == 'b') {
            std::string length = std::to_string(bytes.size());
            out = "#" + std::to_string(length.size()) + length;
        } else if (c.code == 'B') {
            out = "#0";
        }
        ViStatus status = Put(out + bytes);
        if (status >= VI_SUCCESS && c.code == 'B') {
            status = Put("\n");
            if (status >= VI_SUCCESS) {
                status = sink_.EndOfMessage();
            }
        }
        return status;
    }

    va_list* args_;
    FormatSink& sink_;
    int width_ = -1;
    int precision_ = -1;
};

} // namespace

ViStatus FormatOutput(const char* format, va_list* args, FormatSink& sink) {
    if (!format) {
        return VI_ERROR_USER_BUF;
    }
    Printer printer(args, sink);
    std::string literal;
    auto putLiteral = [&]() -> ViStatus {
        ViStatus status = literal.empty() ? VI_SUCCESS : sink.Put(literal.data(), literal.size());
        literal.clear();
        return status;
    };
    std::size_t at = 0;
    while (format[at] != '\0') {
        ViStatus status = VI_SUCCESS;
        if (format[at] == '%') {
            ++at;
            FormatConversion conversion;
            status = ParseConversion(format, at, conversion);
            if (status >= VI_SUCCESS) {
                status = putLiteral();
            }
            if (status >= VI_SUCCESS) {
                status = printer.Convert(conversion);
            }
        } else {
            char c = LiteralAt(format, at);
            literal += c;
            if (c == '\n') {
                status = putLiteral();
                if (status >= VI_SUCCESS) {
                    status = sink.EndOfMessage();
                }
            }
        }
        if (status < VI_SUCCESS) {
            return status;
        }
    }
    return putLiteral();
}

} // namespace corvid::visa
