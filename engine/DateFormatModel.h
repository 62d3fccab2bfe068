#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::engine {

// The elements of a date format model, as TO_CHAR and TO_DATE both read it.
// Only DateFormat.cpp and DateParse.cpp use this.
enum class DateElement {
    Literal,       // punctuation and blanks, passed through
    Quoted,        // "text"
    FillMode,      // FM
    Exact,         // FX
    SignedYear,    // SYYYY
    Year4,         // YYYY
    Year3,         // YYY
    Year2,         // YY
    Year1,         // Y
    RoundYear4,    // RRRR
    RoundYear2,    // RR
    Month,         // MM
    MonthAbbrev,   // MON
    MonthName,     // MONTH
    RomanMonth,    // RM
    DayOfMonth,    // DD
    DayOfYear,     // DDD
    DayOfWeek,     // D
    DayAbbrev,     // DY
    DayName,       // DAY
    Hour12,        // HH, HH12
    Hour24,        // HH24
    Minute,        // MI
    Second,        // SS
    SecondOfDay,   // SSSSS
    Meridian,      // AM, PM
    MeridianDots,  // A.M., P.M.
    Era,           // AD, BC
    EraDots,       // A.D., B.C.
    Quarter,       // Q
    WeekOfYear,    // WW
    WeekOfMonth,   // W
    IsoWeek,       // IW
    IsoYear4,      // IYYY
    IsoYear3,      // IYY
    IsoYear2,      // IY
    IsoYear1,      // I
    Century,       // CC
    SignedCentury, // SCC
    Julian,        // J
};

struct DateToken {
    DateElement element = DateElement::Literal;
    // As written in the model: its letters decide the case of words; for a
    // literal or quoted text, the text itself.
    std::string text;
    bool ordinal = false; // followed by TH
};

// Splits a model into its elements; raises ORA-01821 for anything else.
std::vector<DateToken> readDateModel(std::string_view format);

// The largest value's digits when zero-filled (YYYY 4, DD 2, ...), 0 for words.
int numericWidth(DateElement element);

// How a word is written for an element as spelled: "MON" -> upper, "Mon" ->
// capitalised, "mon" -> lower (the first two letters decide, as in Oracle).
enum class WordCase { Upper, Capital, Lower };
WordCase wordCase(std::string_view elementText);
std::string applyCase(std::string_view upperWord, WordCase wordCase);

inline constexpr std::array<std::string_view, 12> kMonthNames{
    "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
    "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
inline constexpr std::array<std::string_view, 7> kDayNames{
    "SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};
inline constexpr std::array<std::string_view, 12> kRomanMonths{
    "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"};
// Without FM, names are padded to the longest one.
inline constexpr std::size_t kMonthNameWidth = 9;  // SEPTEMBER
inline constexpr std::size_t kDayNameWidth = 9;    // WEDNESDAY
inline constexpr std::size_t kRomanMonthWidth = 4; // VIII

// Oracle's J counts days from 1 January 4712 BC; this is 1970-01-01's number.
inline constexpr long long kJulianOfEpoch = 2440588;

} // namespace vexmoor::engine
