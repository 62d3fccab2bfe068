#include "engine/OraDate.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vexmoor::engine {

namespace {

CivilTime civil(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return CivilTime{y, mo, d, h, mi, s};
}

void expectCivil(const CivilTime& actual, const CivilTime& expected)
{
    EXPECT_EQ(actual.year, expected.year);
    EXPECT_EQ(actual.month, expected.month);
    EXPECT_EQ(actual.day, expected.day);
    EXPECT_EQ(actual.hour, expected.hour);
    EXPECT_EQ(actual.minute, expected.minute);
    EXPECT_EQ(actual.second, expected.second);
}

struct KnownInstant {
    std::int64_t seconds;
    CivilTime civil;
};

// Seconds computed independently (Python's datetime, and the well-known
// limits of the Unix calendar).
const KnownInstant kKnown[] = {
    {0, civil(1970, 1, 1)},
    {-1, civil(1969, 12, 31, 23, 59, 59)},
    {951782400, civil(2000, 2, 29)},
    {-2203891200, civil(1900, 3, 1)},
    {-11676096000, civil(1600, 1, 1)},
    {-12219292800, civil(1582, 10, 15)},
    {1796648709, civil(2026, 12, 7, 13, 5, 9)},
    {-62135596800, civil(1, 1, 1)},
    {253402300799, civil(9999, 12, 31, 23, 59, 59)},
};

} // namespace

TEST(OraDate, KnownInstantsConvertBothWays)
{
    for (const auto& known : kKnown) {
        SCOPED_TRACE(known.seconds);
        expectCivil(toCivil(OraDate{known.seconds}), known.civil);
        EXPECT_EQ(fromCivil(known.civil).seconds, known.seconds);
    }
}

TEST(OraDate, RoundTripOverTheWholeRange)
{
    // 4712 BC .. 9999 AD, in steps that hit every time of day and many days.
    const std::int64_t first = fromCivil(civil(-4712, 1, 1)).seconds;
    const std::int64_t last = fromCivil(civil(9999, 12, 31, 23, 59, 59)).seconds;
    for (std::int64_t s = first; s <= last; s += 86400 * 37 + 3607) {
        const CivilTime c = toCivil(OraDate{s});
        ASSERT_EQ(fromCivil(c).seconds, s) << c.year << '-' << c.month << '-' << c.day;
        ASSERT_NE(c.year, 0);
        ASSERT_GE(c.day, 1);
        ASSERT_LE(c.day, daysInMonth(c.year, c.month));
    }
}

TEST(OraDate, ConsecutiveDaysFollowTheCalendar)
{
    // Day by day from 1599 to 2401 and around 1 BC / 1 AD: each next day is
    // the following calendar day, with the Gregorian leap rule.
    for (auto [from, to] : {std::pair{1599, 2401}, std::pair{-3, 3}}) {
        std::int64_t days = daysFromCivil(from, 1, 1);
        int y = from;
        int m = 1;
        int d = 1;
        while (y < to) {
            int cy = 0;
            int cm = 0;
            int cd = 0;
            civilFromDays(days, cy, cm, cd);
            ASSERT_EQ(cy, y);
            ASSERT_EQ(cm, m);
            ASSERT_EQ(cd, d);
            ASSERT_EQ(daysFromCivil(y, m, d), days);
            ++days;
            if (++d > daysInMonth(y, m)) {
                d = 1;
                if (++m > 12) {
                    m = 1;
                    y = y == -1 ? 1 : y + 1; // there is no year 0
                }
            }
        }
    }
}

TEST(OraDate, LeapYears)
{
    for (int year : {1600, 2000, 2024, 2400, 1996, -1, -5})
        EXPECT_TRUE(isLeapYear(year)) << year;
    for (int year : {1700, 1800, 1900, 2100, 2023, -2, 1})
        EXPECT_FALSE(isLeapYear(year)) << year;
    EXPECT_EQ(daysInMonth(1900, 2), 28);
    EXPECT_EQ(daysInMonth(2000, 2), 29);
    EXPECT_EQ(daysInMonth(2026, 4), 30);
    EXPECT_EQ(daysInMonth(2026, 13), 0);
    // 1 BC ends the day before 1 AD begins.
    EXPECT_EQ(daysFromCivil(-1, 12, 31) + 1, daysFromCivil(1, 1, 1));
}

TEST(OraDate, DayOfWeekIsSundayBased)
{
    const struct {
        CivilTime civil;
        int expected;
    } cases[] = {
        {civil(1970, 1, 1), 5},               // Thursday
        {civil(1969, 12, 31, 23, 59, 59), 4}, // Wednesday, just before the epoch
        {civil(2000, 1, 1), 7},               // Saturday
        {civil(2026, 12, 7, 13), 2},          // Monday
        {civil(1994, 5, 1), 1},               // Sunday
        {civil(1600, 1, 1), 7},               // Saturday
    };
    for (const auto& c : cases)
        EXPECT_EQ(dayOfWeek(fromCivil(c.civil)), c.expected) << c.civil.year;
    // Seven consecutive days before the epoch cycle through all values.
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(dayOfWeek(OraDate{(-7 + i) * 86400 + 5}), (4 + i) % 7 + 1);
}

} // namespace vexmoor::engine
