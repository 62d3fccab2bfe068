#include "OraDate.h"

#include "OraError.h"

#include <cmath>

namespace vexmoor::engine {

namespace {


// Oracle counts 1 BC, 2 BC, ... as -1, -2, ...; the arithmetic below wants the
// astronomical numbering, which has a year 0 (= 1 BC).
constexpr int toAstronomical(int year)
{
    return year < 0 ? year + 1 : year;
}
constexpr int fromAstronomical(int year)
{
    return year <= 0 ? year - 1 : year;
}

// Division that rounds toward minus infinity, so that times before the epoch
// land on the right day.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

bool isLeapYear(int year)
{
    const int y = toAstronomical(year);
    return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Howard Hinnant's days_from_civil: eras of 400 years, years starting in March
// so that the leap day falls at the end.
std::int64_t daysFromCivil(int year, int month, int day)
{
    const std::int64_t y = toAstronomical(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t days, int& year, int& month, int& day)
{
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = fromAstronomical(static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)));
}

CivilTime toCivil(OraDate date)
{
    const std::int64_t days = floorDiv(date.seconds, kSecondsPerDay);
    const std::int64_t secondOfDay = date.seconds - days * kSecondsPerDay;
    CivilTime civil;
    civilFromDays(days, civil.year, civil.month, civil.day);
    civil.hour = static_cast<int>(secondOfDay / 3600);
    civil.minute = static_cast<int>(secondOfDay / 60 % 60);
    civil.second = static_cast<int>(secondOfDay % 60);
    return civil;
}

OraDate fromCivil(const CivilTime& civil)
{
    const std::int64_t days = daysFromCivil(civil.year, civil.month, civil.day);
    return OraDate{days * kSecondsPerDay + civil.hour * 3600 + civil.minute * 60 + civil.second};
}

int dayOfWeek(OraDate date)
{
    // 1970-01-01 was a Thursday (5).
    const std::int64_t days = floorDiv(date.seconds, kSecondsPerDay);
    return static_cast<int>(floorDiv(days + 4, 7) * -7 + days + 4) + 1;
}

OraDate shiftedDate(OraDate date, double days)
{
    static const double first =
        static_cast<double>(fromCivil(CivilTime{-4712, 1, 1, 0, 0, 0}).seconds);
    static const double last =
        static_cast<double>(fromCivil(CivilTime{9999, 12, 31, 23, 59, 59}).seconds);
    const double seconds =
        std::round(static_cast<double>(date.seconds) + days * static_cast<double>(kSecondsPerDay));
    if (!(seconds >= first && seconds <= last))
        throw oraError(1841);
    return OraDate{static_cast<std::int64_t>(seconds)};
}

} // namespace vexmoor::engine
