#include "calibration_dates.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace corvid::operatordb {
namespace {

using namespace std::chrono;

// Reads minDigits..maxDigits decimal digits at text[pos] and moves pos past them.
std::optional<int> Number(std::string_view text, size_t& pos, size_t minDigits, size_t maxDigits) {
    int value = 0;
    size_t count = 0;
    while (pos < text.size() && count < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos++] - '0');
        ++count;
    }
    if (count < minDigits || (pos < text.size() && text[pos] >= '0' && text[pos] <= '9'))
        return std::nullopt;
    return value;
}

bool Separator(std::string_view text, size_t& pos, char separator) {
    if (pos >= text.size() || text[pos] != separator)
        return false;
    ++pos;
    return true;
}

std::string_view Trimmed(std::string_view text) {
    const char* const blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string DateText(int64_t month, int64_t day, int64_t year) {
    char text[64];
    std::snprintf(text, sizeof text, "%02" PRId64 "/%02" PRId64 "/%" PRId64, month, day, year);
    return text;
}

// Two-digit years into 1980..2079; no year before 1970.
int ExpandedYear(int year) {
    if (year < 80)
        return year + 2000;
    if (year < 100)
        return year + 1900;
    return year < 1970 ? 1970 : year;
}

// A stored date with its year expanded; a 29 February moved into a year without one
// becomes the 28th.
std::optional<year_month_day> ExpandedDate(std::string_view text) {
    std::optional<year_month_day> date = ParseStoredDate(text);
    if (!date)
        return std::nullopt;
    year_month_day expanded{year(ExpandedYear(static_cast<int>(date->year()))), date->month(), date->day()};
    if (!expanded.ok())
        expanded = expanded.year() / expanded.month() / last;
    return expanded;
}

local_seconds LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    year_month_day date{year(local.tm_year + 1900), month(static_cast<unsigned>(local.tm_mon + 1)),
                        day(static_cast<unsigned>(local.tm_mday))};
    return local_days(date) + hours(local.tm_hour) + minutes(local.tm_min) + seconds(local.tm_sec);
}

} // namespace

std::optional<year_month_day> ParseStoredDate(std::string_view text) {
    text = Trimmed(text);
    size_t pos = 0;
    std::optional<int> y, m, d;
    if (text.find('-') != std::string_view::npos) {
        y = Number(text, pos, 4, 4);
        if (y && Separator(text, pos, '-') && (m = Number(text, pos, 1, 2)) && Separator(text, pos, '-'))
            d = Number(text, pos, 1, 2);
    } else {
        m = Number(text, pos, 1, 2);
        if (m && Separator(text, pos, '/') && (d = Number(text, pos, 1, 2)) && Separator(text, pos, '/'))
            y = Number(text, pos, 1, 4);
    }
    if (!y || !m || !d || pos != text.size())
        return std::nullopt;
    year_month_day date{year(*y), month(static_cast<unsigned>(*m)), day(static_cast<unsigned>(*d))};
    return date.ok() ? std::optional(date) : std::nullopt;
}

bool NormaliseCalibrationDates(EquipmentItem& item) {
    std::optional<year_month_day> lastDate = ExpandedDate(item.lastCalibration);
    const bool parsed = lastDate.has_value();
    const year_month_day date = lastDate.value_or(year(1970) / January / 1);
    int64_t Y = static_cast<int>(date.year());
    int64_t M = static_cast<unsigned>(date.month());
    int64_t D = static_cast<unsigned>(date.day());
    item.lastCalibration = DateText(M, D, Y);

    M += item.calibrationInterval;
    if (M > 12) {
        Y += (M - 1) / 12;
        M = (M - 1) % 12 + 1;
    }
    item.nextCalibration = DateText(M, D, Y);
    while (!ParseStoredDate(item.nextCalibration)) {
        if (D < 28) {
            item.nextCalibration = DateText(1, 1, 1970);
            break;
        }
        item.nextCalibration = DateText(M, --D, Y);
    }
    return parsed;
}

CalibrationStatus CalibrationStatusOf(const EquipmentItem& item, local_seconds now) {
    if (item.calibrationInterval == 0 && item.instanceId > 0)
        return CalibrationStatus::Good;
    if (item.instanceId <= 0)
        return CalibrationStatus::Overdue;
    local_days due{ExpandedDate(item.nextCalibration).value_or(year(1970) / January / 1)};
    if (due < now)
        return CalibrationStatus::Overdue;
    return due - days(30) < now ? CalibrationStatus::DueSoon : CalibrationStatus::Good;
}

CalibrationStatus CalibrationStatusOf(const EquipmentItem& item) {
    return CalibrationStatusOf(item, LocalNow());
}

} // namespace corvid::operatordb
