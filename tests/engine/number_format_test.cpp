#include "EngineSession.h"

#include "engine/NumberFormat.h"
#include "engine/OraError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace vexmoor::engine {

namespace {


struct FormatCase {
    double value;
    const char* format;
    const char* expected;
};

std::string errorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const OraError& error) {
        return error.what();
    }
    return {};
}

} // namespace

TEST(FormatNumber, CanonicalTextWithoutFormat)
{
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {3, "3"},
        {0.5, ".5"},
        {-0.5, "-.5"},
        {-1.25, "-1.25"},
        {0, "0"},
        {-0.0, "0"},
        {10, "10"},
        {1234567.125, "1234567.125"},
        {0.001, ".001"},
        {-100, "-100"},
        {0.1 + 0.2, ".3"},
        {1.0 / 3, ".333333333333333"},
        {2.0 / 3, ".666666666666667"},
        {123456789012345678.0, "123456789012346000"},
        {1e20, "100000000000000000000"},
        {1e39, "1000000000000000000000000000000000000000"},
        {1e40, "1.0000000000E+40"},
        {-1e40, "-1.0000000000E+40"},
        {1e126, "1.0000000000E+126"},
        {1.5e100, "1.5000000000E+100"},
        {1.23456789012345e50, "1.23456789012345E+50"},
        {1e-39, ".000000000000000000000000000000000000001"},
        {1e-40, "1.0000000000E-40"},
        {-2.5e-100, "-2.5000000000E-100"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumber(c.value), c.expected) << c.value;
}

TEST(FormatNumber, NonFiniteValuesDoNotCrash)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(formatNumber(std::nan("")), "Nan");
    EXPECT_EQ(formatNumber(inf), "Inf");
    EXPECT_EQ(formatNumber(-inf), "-Inf");
    EXPECT_EQ(formatNumber(inf, "999"), "####");
    EXPECT_EQ(formatNumber(std::nan(""), "9.9EEEE"), "#########");
}

// Oracle's table of number conversions, and its format element examples.
TEST(FormatNumber, OraclesDocumentedResults)
{
    const FormatCase cases[] = {
        {-1234567890, "9999999999S", "1234567890-"},
        {0, "99.99", "   .00"},
        {0.1, "99.99", "   .10"},
        {-0.2, "99.99", "  -.20"},
        {0, "90.99", "  0.00"},
        {0.1, "90.99", "  0.10"},
        {-0.2, "90.99", " -0.20"},
        {0, "9999", "    0"},
        {1, "9999", "    1"},
        {0, "B9999", "     "},
        {1, "B9999", "    1"},
        {0, "B90.99", "      "},
        {123.456, "999.999", " 123.456"},
        {-123.456, "999.999", "-123.456"},
        {123.456, "FM999.009", "123.456"},
        {123.456, "9.9EEEE", "  1.2E+02"},
        {1e123, "9.9EEEE", " 1.0E+123"},
        {123.456, "FM9.9EEEE", "1.2E+02"},
        {123.45, "FM999.009", "123.45"},
        {123.0, "FM999.009", "123.00"},
        {1234567890, "9999999999S", "1234567890+"},
        {121.976, "99.99EEEE", "  1.22E+02"},
        {3040, "99999V99", "  304000"},
        {-87, "999PR", " <87>"},
        {87, "999PR", "  87 "},
        {-9876, "9999MI", "9876-"},
        {3040, "S999999", "  +3040"},
        {9080, "099,999", " 009,080"},
        {2.4, "099.99", " 002.40"},
        {12, "0999", " 0012"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.format), c.expected) << c.value << " as " << c.format;
}

TEST(FormatNumber, ElementsAndFillMode)
{
    const FormatCase cases[] = {
        {1485, "9,999", " 1,485"},
        {1485, "9G999", " 1,485"},
        {148.5, "999D999", " 148.500"},
        {12, "9,999", "    12"},
        {12, "0,000", " 0,012"},
        {1234567.891, "9,999,999.99", " 1,234,567.89"},
        {12, "$9,999", "    $12"},
        {-12, "$9,999", "   -$12"},
        {12, "FM$9,999", "$12"},
        {12, "S9999", "  +12"},
        {-12, "S9999", "  -12"},
        {12, "9999S", "  12+"},
        {12, "9999MI", "  12 "},
        {12, "FM9999MI", "12"},
        {-12.5, "FM999MI", "13-"},
        {12, "FM9999PR", "12"},
        {-12, "FM9999PR", "<12>"},
        {12, "FM99.99", "12."},
        {0, "FM99.99", "0."},
        {0.5, "FM990.99", "0.5"},
        {-0.5, "FM99.99", "-.5"},
        {1.5, "99", "  2"},
        {2.5, "9", " 3"},
        {-2.5, "9", "-3"},
        {0.4, "9", " 0"},
        {2.675, "9.99", " 2.68"},
        {1.005, "9.99", " 1.01"},
        {-0.001, "9.99", "  .00"},
        {0.5, "B90.99", "   .50"},
        {12.3456, "99V99", " 1235"},
        {0, "9.9EEEE", "  0.0E+00"},
        {-0.000123, "9.99EEEE", " -1.23E-04"},
        {99999, "9.9EEEE", "  1.0E+05"},
        {1.5e-200, "9EEEE", " 2E-200"},
        {255, "XX", " FF"},
        {255, "xx", " ff"},
        {255, "FMXX", "FF"},
        {10, "0XXX", " 000A"},
        {0, "XX", "  0"},
        {255.4, "XXX", "  FF"},
        {123.456, "TM", "123.456"},
        {123.456, "TM9", "123.456"},
        {-123.456, "TME", "-1.23456E+02"},
        {123, "fm999", "123"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.format), c.expected) << c.value << " as " << c.format;
}

TEST(FormatNumber, OverflowGivesHashes)
{
    const FormatCase cases[] = {
        {12345, "999", "####"},     {666.66, "99.99", "######"}, {1000, "9,999", " 1,000"},
        {10000, "9,999", "######"}, {99.995, "99.99", "######"}, {1, ".99", "####"},
        {12345, "FM999", "####"},   {1234, "$999", "#####"},     {1234, "999PR", "#####"},
        {256, "XX", "###"},         {-1, "XX", "###"},           {-5, "0X", "###"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.format), c.expected) << c.value << " as " << c.format;
}

TEST(FormatNumber, InvalidModelsRaise1481)
{
    for (const char* format :
         {"",   "ABC",   "9.9.9", ",999",  "99.9,9", "9,99D9",   "9G99.9", "99L",    "C999",
          "RN", "99MI9", "MI99",  "99PRS", "S99S",   "9.9EEEEE", "EEEE",   "99V9.9", "9V9V9",
          "X9", "9X",    "0X0X",  "$X",    "FMFM9",  "$$9",      "BB9",    "TM8",    "99.9V9"}) {
        EXPECT_EQ(errorCode([&] { formatNumber(1, format); }), 1481) << format;
    }
    EXPECT_EQ(errorText([] { formatNumber(1, "99Z"); }), "ORA-01481: invalid number format model");
}

TEST(ParseNumber, AcceptsPlainNumbers)
{
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"12", 12},    {"  12  ", 12}, {"\t-1.5\n", -1.5}, {"+.5", 0.5},
        {"5.", 5},     {"-0", 0},      {"1e3", 1000},      {"1.5E-2", 0.015},
        {"2E+2", 200}, {"007", 7},     {"1e-400", 0},      {"123456789012345", 123456789012345.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseNumber(c.text), c.expected) << c.text;
}

TEST(ParseNumber, RefusesEverythingElse)
{
    for (const char* text : {"abc", "", "   ", "1.2.3", "1e", "--1", "+-1", "1 2", "0x10", "nan",
                             "inf", ".", "-", "1,000", "1e5.5", "e5", "12a"}) {
        EXPECT_EQ(errorText([&] { parseNumber(text); }),
                  "ORA-06502: PL/SQL: numeric or value error: character to number conversion error")
            << text;
        EXPECT_EQ(errorText([&] { parseNumber(text, false); }), "ORA-01722: invalid number")
            << text;
    }
    EXPECT_EQ(errorCode([] { parseNumber("1e999"); }), 1426);
}

TEST(ParseNumber, ReadsBackWhatFormatNumberWrites)
{
    for (double value : {3.0, 0.5, -0.5, -1.25, 1e20, 1e40, -9.5e125, 1e-40, 123.456, 0.1 + 0.2,
                         1.0 / 3, 987654321012345.0, 4.9e-129}) {
        const std::string text = formatNumber(value);
        EXPECT_EQ(formatNumber(parseNumber(text)), text) << value;
    }
    // Every value of up to 15 significant digits survives the trip exactly.
    for (long long k = -1000000; k < 1000000; k += 1237) {
        const double value = static_cast<double>(k * 1234567) / 1000.0;
        EXPECT_EQ(parseNumber(formatNumber(value)), value) << k;
    }
}

TEST(ParseNumber, WithFormat)
{
    const struct {
        const char* text;
        const char* format;
        double expected;
    } cases[] = {
        {"$1,234.50", "$9,999.99", 1234.5},
        {"1,234.5", "9,999.99", 1234.5},
        {" 1234 ", "9999", 1234},
        {"1234-", "9999MI", -1234},
        {"1234", "9999MI", 1234},
        {"<12>", "99PR", -12},
        {"12", "99PR", 12},
        {"+12", "S99", 12},
        {"-12", "S99", -12},
        {"12-", "99S", -12},
        {"-12.5", "99.9", -12.5},
        {"FF", "XX", 255},
        {"ff", "xx", 255},
        {"0A", "0X", 10},
        {"1.2E+02", "9.9EEEE", 120},
        {"12345", "999V99", 123.45},
        {"12", "TM", 12},
        {".5", "9.99", 0.5},
    };
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(parseNumber(c.text, c.format), c.expected) << c.text << " / " << c.format;
        } catch (const OraError& error) {
            ADD_FAILURE() << c.text << " / " << c.format << ": " << error.what();
        }
    }
    const struct {
        const char* text;
        const char* format;
    } refused[] = {{"12345", "999"}, {"12.345", "99.99"}, {"12.5", "99"},
                   {"abc", "999"},   {"1,2", "99"},       {"FFF", "XX"},
                   {"G1", "XX"},     {"12", "S99"},       {"<12", "99PR"}};
    for (const auto& c : refused) {
        EXPECT_EQ(errorCode([&] { parseNumber(c.text, c.format); }), 6502)
            << c.text << " / " << c.format;
        EXPECT_EQ(errorCode([&] { parseNumber(c.text, c.format, false); }), 1722)
            << c.text << " / " << c.format;
    }
    EXPECT_EQ(errorCode([] { parseNumber("12", "99Q"); }), 1481);
}

} // namespace vexmoor::engine
