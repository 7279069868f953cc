#include "text_format.h"

#include <charconv>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace corvid::operatoroutput {
namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The "C" locale for parsing, made once for the process and never freed.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Reads an unsigned decimal field of exactly the given width at text[pos].
bool ReadField(const std::string& text, size_t pos, size_t width, unsigned& value) {
    if (pos + width > text.size())
        return false;
    auto [end, error] = std::from_chars(text.data() + pos, text.data() + pos + width, value);
    return error == std::errc() && end == text.data() + pos + width;
}

} // namespace

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return out;
}

std::string FormatReal(double value) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

int32_t ParseInteger(const std::string& text) {
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

double ParseReal(const std::string& text) {
    locale_t c = CLocale();
    if (c == static_cast<locale_t>(nullptr))
        return std::strtod(text.c_str(), nullptr);
    return strtod_l(text.c_str(), nullptr, c);
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    if (!localtime_r(&t, &local)) {
        std::time_t epoch = 0;
        gmtime_r(&epoch, &local);
    }
    return local;
}

std::string DayMonthYear(int year, unsigned month, unsigned day) {
    const char* name = month >= 1 && month <= 12 ? kMonths[month - 1] : "???";
    int yy = year % 100;
    return Format("%02u-%s-%02d", day, name, yy < 0 ? yy + 100 : yy);
}

std::string CalibrationDate(const std::string& mmddyyyy) {
    unsigned month = 0, day = 0, year = 0;
    bool read = mmddyyyy.size() == 10 && mmddyyyy[2] == '/' && mmddyyyy[5] == '/' &&
                ReadField(mmddyyyy, 0, 2, month) && ReadField(mmddyyyy, 3, 2, day) &&
                ReadField(mmddyyyy, 6, 4, year);
    std::chrono::year_month_day date{std::chrono::year(static_cast<int>(year)), std::chrono::month(month),
                                     std::chrono::day(day)};
    if (!read || !date.ok())
        return DayMonthYear(1970, 1, 1);
    return DayMonthYear(static_cast<int>(year), month, day);
}

} // namespace corvid::operatoroutput
