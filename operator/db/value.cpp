#include "operatordb/value.h"

#include "operatordb/db_error.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvid::operatordb {
namespace {

int64_t RoundToInteger(double v) {
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!std::isfinite(v) || v >= 9223372036854775808.0 || v < -9223372036854775808.0)
        throw DbError("Overflow");
    return static_cast<int64_t>(std::nearbyint(v));
}

double ParseNumber(const std::string& text) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(begin, &end);
    if (end == begin || errno == ERANGE)
        throw DbError("Data type conversion error.");
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        throw DbError("Data type conversion error.");
    return v;
}

} // namespace

int64_t Value::AsInteger() const {
    if (const auto* i = std::get_if<int64_t>(&data_))
        return *i;
    if (const auto* d = std::get_if<double>(&data_))
        return RoundToInteger(*d);
    if (const auto* s = std::get_if<std::string>(&data_)) {
        // Whole numbers are read exactly, without going through a double.
        char* end = nullptr;
        errno = 0;
        long long v = std::strtoll(s->c_str(), &end, 10);
        if (errno == 0 && end != s->c_str() && *end == '\0')
            return v;
        return RoundToInteger(ParseNumber(*s));
    }
    return 0;
}

double Value::AsReal() const {
    if (const auto* i = std::get_if<int64_t>(&data_))
        return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&data_))
        return *d;
    if (const auto* s = std::get_if<std::string>(&data_))
        return ParseNumber(*s);
    return 0.0;
}

std::string Value::AsText() const {
    if (const auto* i = std::get_if<int64_t>(&data_))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&data_)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", *d);
        return buffer;
    }
    if (const auto* s = std::get_if<std::string>(&data_))
        return *s;
    return {};
}

} // namespace corvid::operatordb
