#include "link/ole_date.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace corvid::link {
namespace {

constexpr double millisecondsPerDay = 86'400'000.0;
// The range of dates OLE Automation accepts: 1 January 100 to 31 December 9999.
constexpr double earliestDate = -657'434.0;
constexpr double latestDate = 2'958'466.0;

// Days since 1970-01-01 of a proleptic Gregorian date.
constexpr long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = static_cast<int>(static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr long long epochDays = DaysFromCivil(1899, 12, 30);

} // namespace

double MakeOleDate(const OleDateParts& parts) {
    const long long days =
        DaysFromCivil(parts.year, static_cast<unsigned>(parts.month), static_cast<unsigned>(parts.day)) -
        epochDays;
    const double milliseconds =
        ((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) * 1000.0 + parts.millisecond;
    const double fraction = milliseconds / millisecondsPerDay;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

std::optional<OleDateParts> SplitOleDate(double date) {
    if (!std::isfinite(date) || date < earliestDate || date >= latestDate)
        return std::nullopt;
    const double wholeDays = std::trunc(date);
    auto milliseconds =
        static_cast<long long>(std::llround(std::fabs(date - wholeDays) * millisecondsPerDay));
    auto days = static_cast<long long>(wholeDays);
    if (milliseconds >= static_cast<long long>(millisecondsPerDay)) {
        // Rounded up to the next midnight, which lies a day later in either direction of count.
        milliseconds = 0;
        days += 1;
    }
    OleDateParts parts;
    CivilFromDays(days + epochDays, parts.year, parts.month, parts.day);
    parts.millisecond = static_cast<int>(milliseconds % 1000);
    const long long seconds = milliseconds / 1000;
    parts.second = static_cast<int>(seconds % 60);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.hour = static_cast<int>(seconds / 3600);
    return parts;
}

namespace {

// The local time's offset from UTC, looked up once a minute: every record carries the
// time it was made, and the C library checks the zone file on each conversion.
long LocalOffsetSeconds(std::time_t seconds) {
    thread_local std::time_t cachedMinute = -1;
    thread_local long cachedOffset = 0;
    const std::time_t minute = seconds / 60;
    if (minute != cachedMinute) {
        std::tm local{};
        localtime_r(&seconds, &local);
        cachedOffset = local.tm_gmtoff;
        cachedMinute = minute;
    }
    return cachedOffset;
}

} // namespace

double NowAsOleDate() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto sinceSecond = now - std::chrono::system_clock::from_time_t(seconds);
    const long long local = static_cast<long long>(seconds) + LocalOffsetSeconds(seconds);
    const long long days = (local >= 0 ? local : local - 86'399) / 86'400;
    const long long secondOfDay = local - days * 86'400;
    OleDateParts parts;
    CivilFromDays(days, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(secondOfDay / 3600);
    parts.minute = static_cast<int>(secondOfDay / 60 % 60);
    parts.second = static_cast<int>(secondOfDay % 60);
    parts.millisecond =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceSecond).count());
    return MakeOleDate(parts);
}

} // namespace corvid::link
