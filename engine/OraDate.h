#pragma once

#include <compare>
#include <cstdint>

namespace vexmoor::engine {

// An Oracle DATE: a civil date and time to the second, without a time zone.
// Stored as seconds since 1970-01-01 00:00:00 of the proleptic Gregorian
// calendar; negative before that.
struct OraDate {
    std::int64_t seconds = 0;

    friend auto operator<=>(const OraDate&, const OraDate&) = default;
};

inline constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilTime {
    int year = 1970; // 4712 BC .. 9999 AD; year 0 is not used by Oracle:
                     // -1 is 1 BC, -4712 is 4712 BC
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Conversions between the two forms; fromCivil expects a valid date.
CivilTime toCivil(OraDate date);
OraDate fromCivil(const CivilTime& civil);

// Day of the week of a date: 1 = Sunday .. 7 = Saturday (Oracle's D in an
// American territory).
int dayOfWeek(OraDate date);

// Calendar facts the conversions share. Years are numbered as in CivilTime:
// -1 is 1 BC, the year before 1 AD, so 1 BC is a leap year as 4 BC is.
bool isLeapYear(int year);
int daysInMonth(int year, int month);
// Days since 1970-01-01 (negative before), and back.
std::int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(std::int64_t days, int& year, int& month, int& day);

// A date moved by a number of days (DATE + n), to the nearest second, within
// Oracle's years 4712 BC to 9999; ORA-01841 beyond them.
OraDate shiftedDate(OraDate date, double days);

} // namespace vexmoor::engine
