// Date-time values as the command record carries them: an OLE Automation date (days since
// midnight, 30 December 1899, as a double; the fraction is the time of day) and a status.
#pragma once

#include <cstdint>
#include <optional>

namespace corvid::link {

struct OleDateTime {
    enum Status : std::int32_t { valid = 0, invalid = 1, null = 2 };

    double date = 0.0;
    std::int32_t status = valid;

    bool operator==(const OleDateTime&) const = default;
};

// A calendar date and time of day, all fields in their usual ranges (month 1-12, day 1-31).
struct OleDateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;

    bool operator==(const OleDateParts&) const = default;
};

// The OLE date of a calendar date and time. Before the epoch the whole days count
// backwards while the fraction still counts forward from midnight, as OLE dates do.
double MakeOleDate(const OleDateParts& parts);

// The calendar date and time of an OLE date, to the nearest millisecond; none for values
// outside the years 100 to 9999 or not finite.
std::optional<OleDateParts> SplitOleDate(double date);

// The current local time as an OLE date.
double NowAsOleDate();

// The current local time as a valid date-time.
inline OleDateTime OleDateTimeNow() {
    return {NowAsOleDate(), OleDateTime::valid};
}

} // namespace corvid::link
