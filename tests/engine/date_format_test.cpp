#include "EngineSession.h"

#include "engine/DateFormat.h"
#include "engine/OraError.h"

#include <gtest/gtest.h>

#include <functional>
#include <string_view>

namespace vexmoor::engine {

namespace {


OraDate at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return fromCivil(CivilTime{y, mo, d, h, mi, s});
}

// A Monday afternoon: day 341 of 2026, ISO week 50, Julian day 2461382.
const OraDate kMonday = at(2026, 12, 7, 13, 5, 9);
// "Now" for the parsing tests.
const OraDate kNow = at(2026, 3, 15, 10, 20, 30);

struct FormatCase {
    const char* format;
    const char* expected;
};

void expectFormats(OraDate date, std::initializer_list<FormatCase> cases)
{
    for (const auto& c : cases)
        EXPECT_EQ(formatDate(date, c.format), c.expected) << "format " << c.format;
}

} // namespace

TEST(FormatDate, DefaultFormat)
{
    EXPECT_EQ(kDefaultDateFormat, "DD-MON-RR");
    EXPECT_EQ(formatDate(kMonday, kDefaultDateFormat), "07-DEC-26");
    EXPECT_EQ(formatDate(at(1999, 1, 31), kDefaultDateFormat), "31-JAN-99");
}

TEST(FormatDate, NumericElementsAreZeroFilled)
{
    expectFormats(kMonday, {
                               {"YYYY-MM-DD HH24:MI:SS", "2026-12-07 13:05:09"},
                               {"YYY", "026"},
                               {"YY", "26"},
                               {"Y", "6"},
                               {"RR", "26"},
                               {"RRRR", "2026"},
                               {"SYYYY", " 2026"},
                               {"DDD", "341"},
                               {"D", "2"},
                               {"HH", "01"},
                               {"HH12", "01"},
                               {"SSSSS", "47109"},
                               {"Q", "4"},
                               {"WW", "49"},
                               {"W", "1"},
                               {"IW", "50"},
                               {"CC", "21"},
                               {"J", "2461382"},
                           });
    expectFormats(at(5, 1, 2, 0, 0, 0), {
                                            {"YYYY", "0005"},
                                            {"DDD", "002"},
                                            {"HH", "12"},
                                            {"HH24", "00"},
                                            {"SSSSS", "00000"},
                                        });
    // Oracle's examples: 2002 is in the 21st century, 2000 in the 20th.
    EXPECT_EQ(formatDate(at(2002, 6, 1), "CC"), "21");
    EXPECT_EQ(formatDate(at(2000, 6, 1), "CC"), "20");
    EXPECT_EQ(formatDate(at(2000, 1, 1), "J"), "2451545");
}

TEST(FormatDate, WordsFollowTheCaseOfTheElement)
{
    expectFormats(kMonday,
                  {
                      {"MON", "DEC"},         {"Mon", "Dec"},         {"mon", "dec"},
                      {"MOn", "DEC"},         {"DAY", "MONDAY   "},   {"Day", "Monday   "},
                      {"day", "monday   "},   {"DY", "MON"},          {"Dy", "Mon"},
                      {"dy", "mon"},          {"MONTH", "DECEMBER "}, {"Month", "December "},
                      {"month", "december "}, {"AM", "PM"},           {"am", "pm"},
                      {"PM", "PM"},           {"A.M.", "P.M."},       {"a.m.", "p.m."},
                      {"RM", "XII "},         {"rm", "xii "},         {"AD", "AD"},
                      {"B.C.", "A.D."},
                  });
    EXPECT_EQ(formatDate(at(2026, 12, 7, 9), "HH:MI AM"), "09:00 AM");
    EXPECT_EQ(formatDate(at(2026, 12, 7, 0), "HH12 a.m."), "12 a.m.");
}

TEST(FormatDate, FillModeToggles)
{
    // Oracle's own example, 1 May 1994.
    const OraDate may = at(1994, 5, 1);
    EXPECT_EQ(formatDate(may, "Month DD, YYYY"), "May       01, 1994");
    EXPECT_EQ(formatDate(may, "FMMonth DD, YYYY"), "May 1, 1994");
    EXPECT_EQ(formatDate(may, "FMMonth FMDD, YYYY"), "May 01, 1994");
    expectFormats(kMonday, {
                               {"FMDay", "Monday"},
                               {"FMHH:MI", "1:5"},
                               {"FMYYY", "26"},
                               {"FMRM", "XII"},
                               {"FMSYYYY", "2026"},
                               {"FMJ", "2461382"},
                           });
    EXPECT_EQ(formatDate(at(2005, 1, 1), "FMYY"), "5");
}

TEST(FormatDate, LiteralsAndOrdinals)
{
    expectFormats(kMonday, {
                               {"\"Week\" WW, \"day\" DDD", "Week 49, day 341"},
                               {"DD/MM/YYYY; HH24.MI", "07/12/2026; 13.05"},
                               {"DDTH", "07TH"},
                               {"DdTH", "07th"},
                               {"ddth", "07th"},
                               {"FMDDTH", "7TH"},
                           });
    EXPECT_EQ(formatDate(at(2026, 1, 1), "FMDDTH"), "1ST");
    EXPECT_EQ(formatDate(at(2026, 1, 2), "FMDDTH"), "2ND");
    EXPECT_EQ(formatDate(at(2026, 1, 3), "FMDDTH"), "3RD");
    EXPECT_EQ(formatDate(at(2026, 1, 11), "FMDDTH"), "11TH");
    EXPECT_EQ(formatDate(at(2026, 1, 22), "FMDDTH"), "22ND");
}

TEST(FormatDate, BeforeChrist)
{
    const OraDate ides = at(-44, 3, 15);
    EXPECT_EQ(formatDate(ides, "YYYY BC"), "0044 BC");
    EXPECT_EQ(formatDate(ides, "SYYYY-MM-DD"), "-0044-03-15");
    EXPECT_EQ(formatDate(ides, "A.D."), "B.C.");
}

TEST(FormatDate, IsoWeeksAndYearsAtYearEnds)
{
    const char* const model = "IW IYYY IYY IY I YYYY";
    EXPECT_EQ(formatDate(at(2021, 1, 3), model),
              "53 2020 020 20 0 2021"); // Sunday of 2020's last week
    EXPECT_EQ(formatDate(at(2021, 1, 4), model), "01 2021 021 21 1 2021");
    EXPECT_EQ(formatDate(at(2025, 12, 29), model),
              "01 2026 026 26 6 2025"); // Monday of 2026's week 1
    EXPECT_EQ(formatDate(at(2026, 12, 7), "IYYY-\"W\"IW"), "2026-W50");
}

TEST(FormatDate, UnknownElementsAreRefused)
{
    for (const char* format : {"YYYY-XX", "DD\"open", "DD-MON-RRX", "HH25", "DDSP", "1YYYY"}) {
        EXPECT_EQ(errorCode([&] { formatDate(kMonday, format); }), 1821) << format;
        EXPECT_FALSE(isValidDateFormat(format)) << format;
    }
    for (const char* format :
         {"DD-MON-RR", "YYYY-MM-DD HH24:MI:SS", "FMDay, \"the\" DDTH", "fxdd.mm.yyyy"})
        EXPECT_TRUE(isValidDateFormat(format)) << format;
    try {
        formatDate(kMonday, "QQQX");
        FAIL();
    } catch (const OraError& error) {
        EXPECT_STREQ(error.what(), "ORA-01821: date format not recognized");
    }
}

TEST(ParseDate, AcceptsOraclesForgivingInput)
{
    const struct {
        const char* text;
        const char* format;
        OraDate expected;
    } cases[] = {
        {"07-DEC-26", "DD-MON-RR", at(2026, 12, 7)},
        {"07-dec-1998", "DD-MON-YYYY", at(1998, 12, 7)},
        {"7/12/2026", "DD-MM-YYYY", at(2026, 12, 7)},
        {"07.12.2026", "DD/MM/YYYY", at(2026, 12, 7)},
        {"20261207", "YYYYMMDD", at(2026, 12, 7)},
        {"261207", "YYMMDD", at(2026, 12, 7)},
        {"20261207 130509", "YYYY-MM-DD HH24:MI:SS", at(2026, 12, 7, 13, 5, 9)},
        {"December 7, 2026", "Month DD, YYYY", at(2026, 12, 7)},
        {"07-DECEMBER-2026", "DD-MON-YYYY", at(2026, 12, 7)},
        {"07-Dec-2026", "DD-MONTH-YYYY", at(2026, 12, 7)},
        {"07-DEC-2026", "DD-MM-YYYY", at(2026, 12, 7)},
        {"07-XII-2026", "DD-RM-YYYY", at(2026, 12, 7)},
        {"Monday 07-DEC-2026", "Day DD-MON-YYYY", at(2026, 12, 7)},
        {"  2026-12-07  ", "YYYY-MM-DD", at(2026, 12, 7)},
        {"2026-12-07", "YYYY-MM-DD HH24:MI:SS", at(2026, 12, 7)},
        {"12:30 PM", "HH:MI AM", at(2026, 3, 1, 12, 30)},
        {"12:30 AM", "HH:MI PM", at(2026, 3, 1, 0, 30)},
        {"01:15 p.m.", "HH12:MI A.M.", at(2026, 3, 1, 13, 15)},
        {"47109", "SSSSS", at(2026, 3, 1, 13, 5, 9)},
        {"2451545", "J", at(2000, 1, 1)},
        {"2024 060", "YYYY DDD", at(2024, 2, 29)},
        {"2026 060", "YYYY DDD", at(2026, 3, 1)},
        {"at 2026", "\"AT\" YYYY", at(2026, 3, 1)},
        {"-0044-03-15", "SYYYY-MM-DD", at(-44, 3, 15)},
        {"0044-03-15 BC", "YYYY-MM-DD BC", at(-44, 3, 15)},
        {"2026-1-7", "FXYYYY-FMMM-DD", at(2026, 1, 7)},
    };
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(parseDate(c.text, c.format, kNow), c.expected) << c.text << " / " << c.format;
        } catch (const OraError& error) {
            ADD_FAILURE() << c.text << " / " << c.format << ": " << error.what();
        }
    }
}

TEST(ParseDate, MissingPartsComeFromNow)
{
    // Current year and month, day 1, midnight.
    EXPECT_EQ(parseDate("2020", "YYYY", kNow), at(2020, 3, 1));
    EXPECT_EQ(parseDate("05", "MM", kNow), at(2026, 5, 1));
    EXPECT_EQ(parseDate("15", "DD", kNow), at(2026, 3, 15));
    EXPECT_EQ(parseDate("10:30", "HH24:MI", kNow), at(2026, 3, 1, 10, 30));
    EXPECT_EQ(parseDate("7", "Y", kNow), at(2027, 3, 1));
    EXPECT_EQ(parseDate("999", "YYY", kNow), at(2999, 3, 1));
}

TEST(ParseDate, TwoDigitYears)
{
    const struct {
        int currentYear;
        const char* text;
        const char* format;
        int expectedYear;
    } cases[] = {
        // RR: the current half-century's window (Oracle's examples use 1996 and 2001).
        {1996, "27", "RR", 2027},
        {1996, "97", "RR", 1997},
        {2001, "17", "RR", 2017},
        {2001, "96", "RR", 1996},
        {2026, "49", "RR", 2049},
        {2026, "50", "RR", 1950},
        {2026, "00", "RR", 2000},
        {2075, "49", "RR", 2149},
        {2075, "50", "RR", 2050},
        {2026, "98", "RRRR", 1998},
        {2026, "1998", "RR", 1998},
        {2026, "0998", "RRRR", 998},
        // YY: always the current century; four digits are a full year.
        {2026, "99", "YY", 2099},
        {1996, "05", "YY", 1905},
        {2026, "1999", "YY", 1999},
    };
    for (const auto& c : cases) {
        const OraDate now = at(c.currentYear, 6, 15);
        EXPECT_EQ(toCivil(parseDate(c.text, c.format, now)).year, c.expectedYear)
            << c.text << " as " << c.format << " in " << c.currentYear;
    }
}

TEST(ParseDate, ErrorsAsOracleRaisesThem)
{
    const struct {
        const char* text;
        const char* format;
        int code;
    } cases[] = {
        {"2026-12-07 10", "YYYY-MM-DD", 1830},
        {"07-DEC-2026x", "DD-MON-YYYY", 1830},
        {"2026-13-01", "YYYY-MM-DD", 1843},
        {"2026-00-01", "YYYY-MM-DD", 1843},
        {"07-XYZ-2026", "DD-MON-YYYY", 1843},
        {"07-12-2026", "DD-MON-YYYY", 1843},
        {"2026-02-30", "YYYY-MM-DD", 1847},
        {"2025-02-29", "YYYY-MM-DD", 1847},
        {"2026-04-31", "YYYY-MM-DD", 1847},
        {"32-01-2026", "DD-MM-YYYY", 1847},
        {"00-01-2026", "DD-MM-YYYY", 1847},
        {"xx-01-2026", "DD-MM-YYYY", 1858},
        {"2026-12-ab", "YYYY-MM-DD", 1858},
        {"2026x07", "YYYY-DD", 1861},
        {"on 2026", "\"at\" YYYY", 1861},
        {"2026/12/07", "FXYYYY-MM-DD", 1861},
        {"2026-1-07", "FXYYYY-MM-DD", 1862},
        {"24:00", "HH24:MI", 1850},
        {"13:00", "HH:MI", 1849},
        {"00:00", "HH12:MI", 1849},
        {"10:60", "HH24:MI", 1851},
        {"10:10:60", "HH24:MI:SS", 1852},
        {"86400", "SSSSS", 1853},
        {"10:00 XM", "HH:MI AM", 1855},
        {"Funday 07", "Day DD", 1846},
        {"0000-01-01", "YYYY-MM-DD", 1841},
        {"2026 367", "YYYY DDD", 1848},
        {"2026 366", "YYYY DDD", 1848},
        {"0", "J", 1854},
        {"2026-12-07-12", "YYYY-MM-DD-MM", 1810},
        {"49", "WW", 1820},
        {"2026", "IYYY", 1820},
        {"07", "DD-MON-YYYYX", 1821},
    };
    for (const auto& c : cases)
        EXPECT_EQ(errorCode([&] { parseDate(c.text, c.format, kNow); }), c.code)
            << c.text << " / " << c.format;
    try {
        parseDate("2026-13-01", "YYYY-MM-DD", kNow);
    } catch (const OraError& error) {
        EXPECT_STREQ(error.what(), "ORA-01843: not a valid month");
    }
}

TEST(ParseDate, ReadsBackWhatFormatDateWrites)
{
    const char* formats[] = {"SYYYY-MM-DD HH24:MI:SS",
                             "DD-MON-YYYY HH:MI:SS AM",
                             "FMMonth DD, YYYY HH24:MI:SS",
                             "J SSSSS",
                             "YYYYMMDDHH24MISS",
                             "Dy DD.RM.YYYY \"at\" HH24:MI:SS"};
    const std::int64_t first = at(-4000, 1, 1).seconds;
    const std::int64_t last = at(9999, 12, 31, 23, 59, 59).seconds;
    for (const char* format : formats) {
        const bool signedYears = std::string_view(format).find("SYYYY") != std::string_view::npos
                                 || std::string_view(format).find('J') == 0;
        for (std::int64_t s = signedYears ? first : at(1, 1, 1).seconds; s <= last;
             s += 86400 * 3001 + 4001) {
            const OraDate date{s};
            const std::string text = formatDate(date, format);
            try {
                ASSERT_EQ(parseDate(text, format, kNow), date) << text << " / " << format;
            } catch (const OraError& error) {
                FAIL() << text << " / " << format << ": " << error.what();
            }
        }
    }
}

} // namespace vexmoor::engine
