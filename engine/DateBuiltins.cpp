// The standard functions on dates: months, last days, weekdays, TRUNC and
// ROUND to a unit, EXTRACT, and SYSTIMESTAMP.
#include "BuiltinArgs.h"

#include "Database.h"
#include "base/Text.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace vexmoor::engine {

namespace {

using namespace builtin_args;


Value nullDate()
{
    return Value::null(ValueType::Date);
}

std::int64_t secondsInDay(OraDate date)
{
    return ((date.seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
}

OraDate startOfDay(OraDate date)
{
    return OraDate{date.seconds - secondsInDay(date)};
}

OraDate dayOf(int year, int month, int day)
{
    return OraDate{daysFromCivil(year, month, day) * kSecondsPerDay};
}

OraDate plusDays(OraDate date, std::int64_t days)
{
    return OraDate{date.seconds + days * kSecondsPerDay};
}

// The civil year `months` after `year`, which has no year 0.
void addMonths(int& year, int& month, std::int64_t months)
{
    std::int64_t index = (year > 0 ? year - 1 : year) * 12LL + (month - 1) + months;
    std::int64_t y = index >= 0 ? index / 12 : (index - 11) / 12;
    month = static_cast<int>(index - y * 12) + 1;
    if (y >= 0)
        ++y;
    if (y < -4712 || y > 9999)
        throw oraError(1841);
    year = static_cast<int>(y);
}

// ADD_MONTHS: the same day and time n months on; the last day of a month,
// or a day the new month lacks, becomes the new month's last day.
Value addMonthsFn(BuiltinCall& call)
{
    if (anyNull(call))
        return nullDate();
    CivilTime civil = toCivil(dateOf(call, 0));
    const bool lastDay = civil.day == daysInMonth(civil.year, civil.month);
    addMonths(civil.year, civil.month, wholeOf(call, 1));
    const int days = daysInMonth(civil.year, civil.month);
    if (lastDay || civil.day > days)
        civil.day = days;
    return Value::date(fromCivil(civil));
}

Value lastDay(BuiltinCall& call)
{
    if (anyNull(call))
        return nullDate();
    CivilTime civil = toCivil(dateOf(call, 0));
    civil.day = daysInMonth(civil.year, civil.month);
    return Value::date(fromCivil(civil));
}

// MONTHS_BETWEEN: whole when the days of month agree or both are last
// days; otherwise the rest counts in months of 31 days, time included.
Value monthsBetween(BuiltinCall& call)
{
    if (anyNull(call))
        return Value::null(ValueType::Number);
    const OraDate first = dateOf(call, 0);
    const OraDate second = dateOf(call, 1);
    const CivilTime a = toCivil(first);
    const CivilTime b = toCivil(second);
    const auto yearIndex = [](int year) { return year > 0 ? year - 1 : year; };
    const double months = (yearIndex(a.year) - yearIndex(b.year)) * 12.0 + (a.month - b.month);
    const bool bothLast =
        a.day == daysInMonth(a.year, a.month) && b.day == daysInMonth(b.year, b.month);
    if (a.day == b.day || bothLast)
        return Value::number(months);
    const double days =
        (a.day - b.day)
        + static_cast<double>(secondsInDay(first) - secondsInDay(second)) / kSecondsPerDay;
    return Value::number(months + days / 31.0);
}

constexpr std::array<std::string_view, 7> kDayNames{"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                                    "THURSDAY", "FRIDAY", "SATURDAY"};

std::string upper(std::string_view text)
{
    return base::upperText(text);
}

// NEXT_DAY: the first later date that falls on the named weekday (its
// English name or first three letters), at the same time of day.
Value nextDay(BuiltinCall& call)
{
    if (anyNull(call))
        return nullDate();
    std::string name = upper(textOf(call, 1));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    int wanted = 0;
    for (std::size_t i = 0; i < kDayNames.size(); ++i) {
        if (name == kDayNames[i] || name == kDayNames[i].substr(0, 3))
            wanted = static_cast<int>(i) + 1;
    }
    if (wanted == 0)
        throw oraError(1846);
    const OraDate date = dateOf(call, 0);
    const int ahead = (wanted - dayOfWeek(date) + 7) % 7;
    return Value::date(plusDays(date, ahead == 0 ? 7 : ahead));
}

// --------------------------------------------------------- TRUNC and ROUND

bool isOneOf(const std::string& format, std::initializer_list<std::string_view> names)
{
    for (const auto name : names) {
        if (format == name)
            return true;
    }
    return false;
}

// A unit of TRUNC/ROUND: where the period holding `date` starts, and where
// the next one does.
struct Period {
    OraDate start;
    OraDate next;
};

Period weekFrom(OraDate date, OraDate anchor)
{
    const std::int64_t days = (startOfDay(date).seconds - anchor.seconds) / kSecondsPerDay;
    const std::int64_t weeks = days >= 0 ? days / 7 : (days - 6) / 7;
    const OraDate start = plusDays(anchor, weeks * 7);
    return {start, plusDays(start, 7)};
}

// The Monday that starts ISO year `year`: the one of the week holding 4 January.
OraDate isoYearStart(int year)
{
    const OraDate fourth = dayOf(year, 1, 4);
    return plusDays(fourth, -((dayOfWeek(fourth) + 5) % 7));
}

Period isoYearOf(OraDate date, int year)
{
    OraDate start = isoYearStart(year);
    if (date < start)
        return {isoYearStart(year - 1), start};
    const OraDate next = isoYearStart(year + 1);
    if (!(date < next))
        return {next, isoYearStart(year + 2)};
    return {start, next};
}

Period periodOf(OraDate date, const std::string& format)
{
    const CivilTime c = toCivil(date);
    const OraDate day = startOfDay(date);
    if (isOneOf(format, {"CC", "SCC"})) {
        const int first = c.year > 0 ? (c.year - 1) / 100 * 100 + 1 : c.year;
        return {dayOf(first, 1, 1), dayOf(first + 100, 1, 1)};
    }
    if (isOneOf(format, {"SYYYY", "YYYY", "YEAR", "SYEAR", "YYY", "YY", "Y"})) {
        int year = c.year;
        int month = 1;
        addMonths(year, month, 12);
        return {dayOf(c.year, 1, 1), dayOf(year, 1, 1)};
    }
    if (isOneOf(format, {"Q", "MONTH", "MON", "MM", "RM"})) {
        const int span = format == "Q" ? 3 : 1;
        int month = (c.month - 1) / span * span + 1;
        int year = c.year;
        const OraDate start = dayOf(year, month, 1);
        addMonths(year, month, span);
        return {start, dayOf(year, month, 1)};
    }
    if (isOneOf(format, {"IYYY", "IYY", "IY", "I"}))
        return isoYearOf(date, c.year);
    if (format == "WW")
        return weekFrom(date, dayOf(c.year, 1, 1));
    if (format == "W")
        return weekFrom(date, dayOf(c.year, c.month, 1));
    if (format == "IW")
        return weekFrom(date, plusDays(day, -((dayOfWeek(date) + 5) % 7)));
    if (isOneOf(format, {"DAY", "DY", "D"}))
        return weekFrom(date, plusDays(day, 1 - dayOfWeek(date)));
    if (isOneOf(format, {"DDD", "DD", "J"}))
        return {day, plusDays(day, 1)};
    if (isOneOf(format, {"HH", "HH12", "HH24"})) {
        const OraDate start{date.seconds - secondsInDay(date) % 3600};
        return {start, OraDate{start.seconds + 3600}};
    }
    if (format == "MI") {
        const OraDate start{date.seconds - secondsInDay(date) % 60};
        return {start, OraDate{start.seconds + 60}};
    }
    throw oraError(1899);
}

// ROUND goes up from the middle of the period, as Oracle counts it: the
// 16th of a month, July for a year, the 16th of a quarter's second month.
bool roundsUp(OraDate date, const std::string& format, const Period& period)
{
    const CivilTime c = toCivil(date);
    if (isOneOf(format, {"CC", "SCC"}))
        return c.year > 0 && (c.year - 1) % 100 >= 50;
    if (isOneOf(format, {"SYYYY", "YYYY", "YEAR", "SYEAR", "YYY", "YY", "Y"}))
        return c.month >= 7;
    if (format == "Q")
        return (c.month - 1) % 3 == 2 || ((c.month - 1) % 3 == 1 && c.day >= 16);
    if (isOneOf(format, {"MONTH", "MON", "MM", "RM"}))
        return c.day >= 16;
    return (date.seconds - period.start.seconds) * 2 >= period.next.seconds - period.start.seconds;
}

std::string formatOf(BuiltinCall& call)
{
    std::string format = call.has(1) ? upper(textOf(call, 1)) : std::string("DD");
    while (!format.empty() && format.back() == ' ')
        format.pop_back();
    return format;
}

} // namespace

Value truncateDate(BuiltinCall& call)
{
    if (anyNull(call))
        return nullDate();
    return Value::date(periodOf(call.args[0].asDate(), formatOf(call)).start);
}

Value roundDate(BuiltinCall& call)
{
    if (anyNull(call))
        return nullDate();
    const OraDate date = call.args[0].asDate();
    const std::string format = formatOf(call);
    const Period period = periodOf(date, format);
    return Value::date(roundsUp(date, format, period) ? period.next : period.start);
}

namespace {

// EXTRACT from a DATE: YEAR, MONTH or DAY; a DATE has no time zone, and
// its time fields are refused as Oracle refuses them (ORA-30076).
Value extract(BuiltinCall& call)
{
    if (call.args[1].isNull())
        return Value::null(ValueType::Number);
    const CivilTime c = toCivil(dateOf(call, 1));
    const std::string field = textOf(call, 0);
    if (field == "YEAR")
        return Value::number(c.year);
    if (field == "MONTH")
        return Value::number(c.month);
    if (field == "DAY")
        return Value::number(c.day);
    throw oraError(30076);
}

// SYSTIMESTAMP as text in the default TIMESTAMP WITH TIME ZONE format,
// 'DD-MON-RR HH.MI.SSXFF AM TZH:TZM', from the database's clock: the engine
// has no TIMESTAMP type.
Value systimestamp(BuiltinCall& call)
{
    const auto now = call.interpreter.state().database->now();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(now);
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(now - seconds).count();
    const std::time_t time = std::chrono::system_clock::to_time_t(seconds);
    std::tm local{};
    localtime_r(&time, &local);
    static constexpr std::array<const char*, 12> kMonths{"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const long offset = local.tm_gmtoff / 60;
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%02d-%s-%02d %02d.%02d.%02d.%06lld %s %c%02ld:%02ld",
                  local.tm_mday, kMonths[static_cast<std::size_t>(local.tm_mon)],
                  (local.tm_year + 1900) % 100, hour12, local.tm_min, local.tm_sec,
                  static_cast<long long>(micros), local.tm_hour < 12 ? "AM" : "PM",
                  offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
    return Value::text(text);
}

constexpr std::array kDate{BuiltinParam{"LEFT"}};
constexpr std::array kDateNumber{BuiltinParam{"LEFT"}, BuiltinParam{"RIGHT"}};
constexpr std::array kExtract{BuiltinParam{"FIELD"}, BuiltinParam{"SOURCE"}};
constexpr std::array<BuiltinParam, 0> kNone{};

constexpr std::array kDates{
    BuiltinDef{"", "ADD_MONTHS", true, ValueType::Date, kDateNumber, addMonthsFn},
    BuiltinDef{"", "LAST_DAY", true, ValueType::Date, kDate, lastDay},
    BuiltinDef{"", "MONTHS_BETWEEN", true, ValueType::Number, kDateNumber, monthsBetween},
    BuiltinDef{"", "NEXT_DAY", true, ValueType::Date, kDateNumber, nextDay},
    BuiltinDef{"", "EXTRACT", true, ValueType::Number, kExtract, extract},
    BuiltinDef{"", "SYSTIMESTAMP", true, ValueType::Varchar2, kNone, systimestamp},
};

} // namespace

std::span<const BuiltinDef> dateBuiltins()
{
    return kDates;
}

} // namespace vexmoor::engine
