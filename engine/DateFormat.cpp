#include "DateFormat.h"

#include "DateFormatModel.h"
#include "OraError.h"

#include <cstdlib>

namespace vexmoor::engine {

namespace {

std::int64_t daysOf(OraDate date)
{
    const std::int64_t days = date.seconds / 86400;
    return days * 86400 > date.seconds ? days - 1 : days;
}

int dayOfYear(const CivilTime& civil)
{
    return static_cast<int>(daysFromCivil(civil.year, civil.month, civil.day)
                            - daysFromCivil(civil.year, 1, 1))
           + 1;
}

// ISO 8601 week: the week (Monday to Sunday) holding the year's first Thursday
// is week 1.
// An ISO week belongs to the year its Thursday is in.
std::int64_t isoThursday(OraDate date)
{
    const int isoWeekday = (dayOfWeek(date) + 5) % 7 + 1; // Monday 1 .. Sunday 7
    return daysOf(date) - isoWeekday + 4;
}

int isoYear(OraDate date)
{
    int year = 0;
    int month = 0;
    int day = 0;
    civilFromDays(isoThursday(date), year, month, day);
    return year;
}

int isoWeek(OraDate date)
{
    return static_cast<int>((isoThursday(date) - daysFromCivil(isoYear(date), 1, 1)) / 7) + 1;
}

std::string ordinalSuffix(std::int64_t value)
{
    const std::int64_t lastTwo = value % 100;
    if (lastTwo >= 11 && lastTwo <= 13)
        return "TH";
    switch (value % 10) {
    case 1:
        return "ST";
    case 2:
        return "ND";
    case 3:
        return "RD";
    default:
        return "TH";
    }
}

class DateWriter {
public:
    explicit DateWriter(OraDate date) : date_(date), civil_(toCivil(date)) {}

    std::string write(const std::vector<DateToken>& tokens)
    {
        for (const auto& token : tokens)
            writeToken(token);
        return out_;
    }

private:
    void writeToken(const DateToken& token)
    {
        switch (token.element) {
        case DateElement::Literal:
        case DateElement::Quoted:
            out_ += token.text;
            return;
        case DateElement::FillMode:
            fill_ = !fill_;
            return;
        case DateElement::Exact:
            return;
        case DateElement::MonthAbbrev:
            return word(kMonthNames[month()].substr(0, 3), token, 3);
        case DateElement::MonthName:
            return word(kMonthNames[month()], token, kMonthNameWidth);
        case DateElement::RomanMonth:
            return word(kRomanMonths[month()], token, kRomanMonthWidth);
        case DateElement::DayAbbrev:
            return word(kDayNames[weekday()].substr(0, 3), token, 3);
        case DateElement::DayName:
            return word(kDayNames[weekday()], token, kDayNameWidth);
        case DateElement::Meridian:
            return word(civil_.hour < 12 ? "AM" : "PM", token, 2);
        case DateElement::MeridianDots:
            return word(civil_.hour < 12 ? "A.M." : "P.M.", token, 4);
        case DateElement::Era:
            return word(civil_.year > 0 ? "AD" : "BC", token, 2);
        case DateElement::EraDots:
            return word(civil_.year > 0 ? "A.D." : "B.C.", token, 4);
        case DateElement::SignedYear:
            return signedNumber(std::abs(civil_.year), token);
        case DateElement::SignedCentury:
            return signedNumber(century(), token);
        default:
            return number(numericValue(token.element), token);
        }
    }

    std::int64_t numericValue(DateElement element) const
    {
        const int year = std::abs(civil_.year);
        switch (element) {
        case DateElement::Year4:
        case DateElement::RoundYear4:
            return year;
        case DateElement::Year3:
            return year % 1000;
        case DateElement::Year2:
        case DateElement::RoundYear2:
            return year % 100;
        case DateElement::Year1:
            return year % 10;
        case DateElement::Month:
            return civil_.month;
        case DateElement::DayOfMonth:
            return civil_.day;
        case DateElement::DayOfYear:
            return dayOfYear(civil_);
        case DateElement::DayOfWeek:
            return dayOfWeek(date_);
        case DateElement::Hour12:
            return civil_.hour % 12 == 0 ? 12 : civil_.hour % 12;
        case DateElement::Hour24:
            return civil_.hour;
        case DateElement::Minute:
            return civil_.minute;
        case DateElement::Second:
            return civil_.second;
        case DateElement::SecondOfDay:
            return civil_.hour * 3600 + civil_.minute * 60 + civil_.second;
        case DateElement::Quarter:
            return (civil_.month - 1) / 3 + 1;
        case DateElement::WeekOfYear:
            return (dayOfYear(civil_) - 1) / 7 + 1;
        case DateElement::WeekOfMonth:
            return (civil_.day - 1) / 7 + 1;
        case DateElement::IsoWeek:
            return isoWeek(date_);
        case DateElement::IsoYear4:
            return std::abs(isoYear(date_));
        case DateElement::IsoYear3:
            return std::abs(isoYear(date_)) % 1000;
        case DateElement::IsoYear2:
            return std::abs(isoYear(date_)) % 100;
        case DateElement::IsoYear1:
            return std::abs(isoYear(date_)) % 10;
        case DateElement::Century:
            return century();
        case DateElement::Julian:
            return daysOf(date_) + kJulianOfEpoch;
        default:
            return 0;
        }
    }

    int century() const { return (std::abs(civil_.year) + 99) / 100; }
    std::size_t month() const { return static_cast<std::size_t>(civil_.month - 1); }
    std::size_t weekday() const { return static_cast<std::size_t>(dayOfWeek(date_) - 1); }

    void word(std::string_view upperWord, const DateToken& token, std::size_t width)
    {
        out_ += applyCase(upperWord, wordCase(token.text));
        if (!fill_ && upperWord.size() < width)
            out_.append(width - upperWord.size(), ' ');
    }

    void number(std::int64_t value, const DateToken& token)
    {
        std::string digits = std::to_string(value);
        const auto width = static_cast<std::size_t>(numericWidth(token.element));
        if (!fill_ && digits.size() < width)
            digits.insert(0, width - digits.size(), '0');
        out_ += digits;
        if (token.ordinal)
            out_ += applyCase(ordinalSuffix(value), wordCase(token.text) == WordCase::Upper
                                                        ? WordCase::Upper
                                                        : WordCase::Lower);
    }

    // SYYYY and SCC: a minus before BC years, a blank (none under FM) before AD.
    void signedNumber(std::int64_t value, const DateToken& token)
    {
        if (civil_.year < 0)
            out_ += '-';
        else if (!fill_)
            out_ += ' ';
        number(value, token);
    }

    OraDate date_;
    CivilTime civil_;
    std::string out_;
    bool fill_ = false;
};

} // namespace

std::string formatDate(OraDate date, std::string_view format)
{
    return DateWriter(date).write(readDateModel(format));
}

bool isValidDateFormat(std::string_view format)
{
    try {
        readDateModel(format);
        return true;
    } catch (const OraError&) {
        return false;
    }
}

} // namespace vexmoor::engine
