#include "link/ole_date.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <thread>

using namespace corvid::link;

namespace {

TEST(OleDate, KnownDates) {
    EXPECT_EQ(MakeOleDate({1899, 12, 30}), 0.0);
    EXPECT_EQ(MakeOleDate({1900, 1, 1}), 2.0);
    EXPECT_EQ(MakeOleDate({1970, 1, 1}), 25569.0);
    EXPECT_EQ(MakeOleDate({2026, 12, 7, 12}), 46363.5);
    EXPECT_DOUBLE_EQ(MakeOleDate({2024, 2, 29, 18, 30, 15, 250}), 45351.771009837961);
}

TEST(OleDate, BeforeTheEpochTheFractionCountsForward) {
    EXPECT_EQ(MakeOleDate({1899, 12, 29, 6}), -1.25);
    const auto parts = SplitOleDate(-1.25);
    ASSERT_TRUE(parts);
    EXPECT_EQ(*parts, (OleDateParts{1899, 12, 29, 6, 0, 0, 0}));
    // Between -1 and 0 is the epoch day itself.
    EXPECT_EQ(*SplitOleDate(-0.5), (OleDateParts{1899, 12, 30, 12, 0, 0, 0}));
}

TEST(OleDate, SplitReversesMake) {
    const OleDateParts samples[] = {
        {1899, 12, 30, 0, 0, 0, 0},    {2000, 2, 29, 23, 59, 59, 999}, {1601, 1, 1, 1, 2, 3, 4},
        {9999, 12, 31, 23, 59, 59, 0}, {100, 1, 1, 0, 0, 0, 0},        {2024, 3, 31, 2, 30, 0, 500},
    };
    for (const OleDateParts& parts : samples) {
        const auto split = SplitOleDate(MakeOleDate(parts));
        ASSERT_TRUE(split) << parts.year;
        EXPECT_EQ(*split, parts) << parts.year;
    }
}

TEST(OleDate, RoundingUpToMidnightMovesToTheNextDay) {
    EXPECT_EQ(*SplitOleDate(1.9999999999), (OleDateParts{1900, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(*SplitOleDate(-1.9999999999), (OleDateParts{1899, 12, 30, 0, 0, 0, 0}));
}

TEST(OleDate, ValuesOutsideTheCalendarHaveNoParts) {
    EXPECT_FALSE(SplitOleDate(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(SplitOleDate(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(SplitOleDate(3e6));
    EXPECT_FALSE(SplitOleDate(-7e5));
}

TEST(OleDate, NowIsTheLocalTime) {
    const std::time_t before = std::time(nullptr);
    const double now = NowAsOleDate();
    // time() reads a coarse clock that may lag the precise one by a tick.
    const std::time_t after = std::time(nullptr) + 2;
    std::tm local{};
    localtime_r(&before, &local);
    const double low = MakeOleDate(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
    localtime_r(&after, &local);
    const double high = MakeOleDate(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
    EXPECT_GE(now, low);
    EXPECT_LE(now, high);
    EXPECT_EQ(OleDateTimeNow().status, OleDateTime::valid);
}

// A zone far from UTC, in a thread of its own so that its offset is looked up afresh.
TEST(OleDate, NowFollowsTheZoneOffset) {
    const char* saved = std::getenv("TZ");
    const std::string previous = saved ? saved : "";
    ::setenv("TZ", "XST-9:30", 1); // nine and a half hours east of UTC
    ::tzset();
    double now = 0;
    std::thread([&] { now = NowAsOleDate(); }).join();
    const std::time_t utc = std::time(nullptr);
    if (saved)
        ::setenv("TZ", previous.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    std::tm parts{};
    gmtime_r(&utc, &parts);
    const double utcDate = MakeOleDate(
        {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec});
    EXPECT_NEAR(now - utcDate, 9.5 / 24, 5.0 / 86400);
}

} // namespace
