#include "DateFormat.h"

#include "DateFormatModel.h"
#include "OraError.h"
#include "base/Text.h"

#include <cctype>
#include <optional>

namespace vexmoor::engine {

namespace {

constexpr std::int64_t kLastJulian = 5373484; // 31 December 9999

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isAlnum(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isWordElement(DateElement element)
{
    switch (element) {
    case DateElement::MonthAbbrev:
    case DateElement::MonthName:
    case DateElement::RomanMonth:
    case DateElement::DayAbbrev:
    case DateElement::DayName:
    case DateElement::Meridian:
    case DateElement::MeridianDots:
    case DateElement::Era:
    case DateElement::EraDots:
        return true;
    default:
        return false;
    }
}

// What an element sets, so that one given twice raises ORA-01810.
enum Field : unsigned {
    kYear = 1u << 0,
    kMonth = 1u << 1,
    kDay = 1u << 2,
    kDayOfYear = 1u << 3,
    kWeekday = 1u << 4,
    kHour = 1u << 5,
    kMinute = 1u << 6,
    kSecond = 1u << 7,
    kSecondOfDay = 1u << 8,
    kMeridian = 1u << 9,
    kEra = 1u << 10,
    kJulian = 1u << 11,
};

unsigned fieldOf(DateElement element)
{
    switch (element) {
    case DateElement::SignedYear:
    case DateElement::Year4:
    case DateElement::Year3:
    case DateElement::Year2:
    case DateElement::Year1:
    case DateElement::RoundYear4:
    case DateElement::RoundYear2:
        return kYear;
    case DateElement::Month:
    case DateElement::MonthAbbrev:
    case DateElement::MonthName:
    case DateElement::RomanMonth:
        return kMonth;
    case DateElement::DayOfMonth:
        return kDay;
    case DateElement::DayOfYear:
        return kDayOfYear;
    case DateElement::DayOfWeek:
    case DateElement::DayAbbrev:
    case DateElement::DayName:
        return kWeekday;
    case DateElement::Hour12:
    case DateElement::Hour24:
        return kHour;
    case DateElement::Minute:
        return kMinute;
    case DateElement::Second:
        return kSecond;
    case DateElement::SecondOfDay:
        return kSecondOfDay;
    case DateElement::Meridian:
    case DateElement::MeridianDots:
        return kMeridian;
    case DateElement::Era:
    case DateElement::EraDots:
        return kEra;
    case DateElement::Julian:
        return kJulian;
    default:
        return 0;
    }
}

// Oracle's two-digit year rule for RR: the year nearest to the current one,
// within the window of the current half-century.
int roundYear(int twoDigits, int currentYear)
{
    const int century = currentYear - currentYear % 100;
    const bool currentLow = currentYear % 100 < 50;
    if (twoDigits < 50)
        return currentLow ? century + twoDigits : century + 100 + twoDigits;
    return currentLow ? century - 100 + twoDigits : century + twoDigits;
}

struct Parsed {
    std::optional<int> year;
    std::optional<int> month;
    std::optional<int> day;
    std::optional<int> dayOfYear;
    std::optional<int> hour24;
    std::optional<int> hour12;
    std::optional<bool> pm;
    std::optional<int> minute;
    std::optional<int> second;
    std::optional<int> secondOfDay;
    std::optional<std::int64_t> julian;
    bool bc = false;
};

class DateReader {
public:
    DateReader(std::string_view text, const std::vector<DateToken>& tokens, OraDate now)
        : text_(text), tokens_(tokens), now_(toCivil(now))
    {
    }

    OraDate read()
    {
        for (index_ = 0; index_ < tokens_.size(); ++index_) {
            const DateToken& token = tokens_[index_];
            noteField(token.element);
            readToken(token);
        }
        while (at_ < text_.size() && isBlank(text_[at_]))
            ++at_;
        if (at_ < text_.size())
            throw oraError(1830);
        return assemble();
    }

private:
    void noteField(DateElement element)
    {
        const unsigned field = fieldOf(element);
        if ((seen_ & field) != 0)
            throw oraError(1810);
        seen_ |= field;
    }

    bool atEnd() const { return at_ >= text_.size(); }

    void readToken(const DateToken& token)
    {
        switch (token.element) {
        case DateElement::FillMode:
            fill_ = !fill_;
            return;
        case DateElement::Exact:
            exact_ = !exact_;
            return;
        case DateElement::Literal:
            return literal(token.text);
        case DateElement::Quoted:
            return quoted(token.text);
        case DateElement::Quarter:
        case DateElement::WeekOfYear:
        case DateElement::WeekOfMonth:
        case DateElement::IsoWeek:
        case DateElement::IsoYear4:
        case DateElement::IsoYear3:
        case DateElement::IsoYear2:
        case DateElement::IsoYear1:
        case DateElement::Century:
        case DateElement::SignedCentury:
            throw oraError(1820);
        default:
            break;
        }
        if (exact_ && atEnd())
            throw oraError(1840);
        skipBlanks();
        if (atEnd())
            return; // elements at the end of the model may be left out
        if (isWordElement(token.element))
            return readWord(token.element);
        if (token.element == DateElement::Month && !isDigit(text_[at_]))
            return readWord(DateElement::MonthName); // Oracle tries MON and MONTH for MM
        readNumberElement(token.element);
    }

    void skipBlanks()
    {
        if (exact_)
            return;
        while (!atEnd() && isBlank(text_[at_]))
            ++at_;
    }

    // Without FX any run of punctuation and blanks, or none, matches.
    void literal(std::string_view expected)
    {
        if (exact_) {
            if (text_.substr(at_, expected.size()) != expected)
                throw oraError(1861);
            at_ += expected.size();
            return;
        }
        const std::size_t start = at_;
        while (!atEnd() && !isAlnum(text_[at_]))
            ++at_;
        // Left out punctuation only works between digits that are all there.
        if (at_ == start && !atEnd() && !isDigit(text_[at_]) && !nextIsWord())
            throw oraError(1861);
    }

    bool nextIsWord() const
    {
        for (std::size_t i = index_ + 1; i < tokens_.size(); ++i) {
            const DateElement element = tokens_[i].element;
            if (element == DateElement::FillMode || element == DateElement::Exact)
                continue;
            return isWordElement(element) || element == DateElement::Month
                   || element == DateElement::Quoted;
        }
        return false;
    }

    void quoted(std::string_view expected)
    {
        skipBlanks();
        if (text_.size() - at_ < expected.size())
            throw oraError(1861);
        if (!base::equalsIgnoringCase(text_.substr(at_, expected.size()), expected))
            throw oraError(1861);
        at_ += expected.size();
    }

    // Matches the longest of `names` (or their first three letters when
    // `abbreviations`) at the current position, case-insensitively.
    template <std::size_t N>
    std::optional<std::size_t> matchName(const std::array<std::string_view, N>& names,
                                         bool abbreviations)
    {
        std::optional<std::size_t> best;
        std::size_t bestLength = 0;
        for (std::size_t i = 0; i < N; ++i) {
            const std::size_t shortest = abbreviations ? 3 : names[i].size();
            for (std::size_t length : {names[i].size(), shortest}) {
                if (length <= bestLength || length > names[i].size() || text_.size() - at_ < length)
                    continue;
                if (base::startsWithUpperAt(text_, at_, names[i].substr(0, length))) {
                    best = i;
                    bestLength = length;
                }
            }
        }
        if (best)
            at_ += bestLength;
        return best;
    }

    std::optional<bool> matchPair(std::string_view first, std::string_view second)
    {
        for (std::string_view word : {first, second}) {
            if (text_.size() - at_ < word.size())
                continue;
            if (base::startsWithUpperAt(text_, at_, word)) {
                at_ += word.size();
                return word == second;
            }
        }
        return std::nullopt;
    }

    void readWord(DateElement element)
    {
        switch (element) {
        case DateElement::MonthAbbrev:
        case DateElement::MonthName: {
            const auto month = matchName(kMonthNames, true);
            if (!month)
                throw oraError(1843);
            parsed_.month = static_cast<int>(*month) + 1;
            return;
        }
        case DateElement::RomanMonth: {
            const auto month = matchName(kRomanMonths, false);
            if (!month)
                throw oraError(1843);
            parsed_.month = static_cast<int>(*month) + 1;
            return;
        }
        case DateElement::DayAbbrev:
        case DateElement::DayName:
            if (!matchName(kDayNames, true))
                throw oraError(1846);
            return;
        case DateElement::Meridian:
        case DateElement::MeridianDots: {
            auto pm = matchPair("A.M.", "P.M.");
            if (!pm)
                pm = matchPair("AM", "PM");
            if (!pm)
                throw oraError(1855);
            parsed_.pm = *pm;
            return;
        }
        default: {
            auto bc = matchPair("A.D.", "B.C.");
            if (!bc)
                bc = matchPair("AD", "BC");
            if (!bc)
                throw oraError(1856);
            parsed_.bc = *bc;
            return;
        }
        }
    }

    // How many digits an element takes. YY and RR take a four-digit year too
    // (Oracle's YY -> YYYY, RR -> RRRR) unless digits of the next element follow
    // directly, as in YYMMDD.
    std::size_t digitLimit(DateElement element, std::size_t available) const
    {
        const auto width = static_cast<std::size_t>(numericWidth(element));
        if (element != DateElement::Year2 && element != DateElement::RoundYear2)
            return width;
        if (available <= 2 || available > 4)
            return 2;
        const bool nextNumeric =
            index_ + 1 < tokens_.size() && numericWidth(tokens_[index_ + 1].element) > 0;
        return nextNumeric ? 2 : 4;
    }

    void readNumberElement(DateElement element)
    {
        bool negative = false;
        if (element == DateElement::SignedYear && (text_[at_] == '-' || text_[at_] == '+')) {
            negative = text_[at_] == '-';
            ++at_;
        }
        std::size_t available = 0;
        while (at_ + available < text_.size() && isDigit(text_[at_ + available]))
            ++available;
        if (available == 0)
            throw oraError(1858);
        const std::size_t width = static_cast<std::size_t>(numericWidth(element));
        const std::size_t count = std::min(available, digitLimit(element, available));
        if (exact_ && !fill_ && count != width)
            throw oraError(1862);
        std::int64_t value = 0;
        for (std::size_t i = 0; i < count; ++i)
            value = value * 10 + (text_[at_ + i] - '0');
        at_ += count;
        store(element, value, count, negative);
    }

    void store(DateElement element, std::int64_t value, std::size_t digits, bool negative)
    {
        const int v = static_cast<int>(value);
        const int thisYear = now_.year;
        switch (element) {
        case DateElement::SignedYear:
            parsed_.year = v;
            parsed_.bc = parsed_.bc || negative;
            return;
        case DateElement::Year4:
            parsed_.year = v;
            return;
        case DateElement::Year3:
            parsed_.year = thisYear - thisYear % 1000 + v;
            return;
        case DateElement::Year1:
            parsed_.year = thisYear - thisYear % 10 + v;
            return;
        case DateElement::Year2:
            parsed_.year = digits > 2 ? v : thisYear - thisYear % 100 + v;
            return;
        case DateElement::RoundYear2:
        case DateElement::RoundYear4:
            parsed_.year = digits > 2 ? v : roundYear(v, thisYear);
            return;
        case DateElement::Month:
            if (v < 1 || v > 12)
                throw oraError(1843);
            parsed_.month = v;
            return;
        case DateElement::DayOfMonth:
            if (v < 1 || v > 31)
                throw oraError(1847);
            parsed_.day = v;
            return;
        case DateElement::DayOfYear:
            if (v < 1 || v > 366)
                throw oraError(1848);
            parsed_.dayOfYear = v;
            return;
        case DateElement::DayOfWeek:
            if (v < 1 || v > 7)
                throw oraError(1846);
            return;
        case DateElement::Hour12:
            if (v < 1 || v > 12)
                throw oraError(1849);
            parsed_.hour12 = v;
            return;
        case DateElement::Hour24:
            if (v > 23)
                throw oraError(1850);
            parsed_.hour24 = v;
            return;
        case DateElement::Minute:
            if (v > 59)
                throw oraError(1851);
            parsed_.minute = v;
            return;
        case DateElement::Second:
            if (v > 59)
                throw oraError(1852);
            parsed_.second = v;
            return;
        case DateElement::SecondOfDay:
            if (v > 86399)
                throw oraError(1853);
            parsed_.secondOfDay = v;
            return;
        case DateElement::Julian:
            if (value < 1 || value > kLastJulian)
                throw oraError(1854);
            parsed_.julian = value;
            return;
        default:
            return;
        }
    }

    OraDate assemble() const
    {
        CivilTime civil;
        if (parsed_.julian) {
            civilFromDays(*parsed_.julian - kJulianOfEpoch, civil.year, civil.month, civil.day);
        } else {
            civil.year = parsed_.year.value_or(now_.year);
            if (civil.year == 0 || civil.year > 9999 || (civil.year > 4712 && parsed_.bc))
                throw oraError(1841);
            if (parsed_.bc)
                civil.year = -civil.year;
            civil.month = parsed_.month.value_or(now_.month);
            civil.day = parsed_.day.value_or(1);
            if (parsed_.dayOfYear)
                dayFromDayOfYear(civil);
            if (civil.day > daysInMonth(civil.year, civil.month))
                throw oraError(1847);
        }
        setTime(civil);
        return fromCivil(civil);
    }

    void dayFromDayOfYear(CivilTime& civil) const
    {
        const int yearLength = isLeapYear(civil.year) ? 366 : 365;
        if (*parsed_.dayOfYear > yearLength)
            throw oraError(1848);
        civilFromDays(daysFromCivil(civil.year, 1, 1) + *parsed_.dayOfYear - 1, civil.year,
                      civil.month, civil.day);
    }

    void setTime(CivilTime& civil) const
    {
        if (parsed_.secondOfDay) {
            civil.hour = *parsed_.secondOfDay / 3600;
            civil.minute = *parsed_.secondOfDay / 60 % 60;
            civil.second = *parsed_.secondOfDay % 60;
        }
        if (parsed_.hour24)
            civil.hour = *parsed_.hour24;
        if (parsed_.hour12)
            civil.hour = *parsed_.hour12 % 12 + (parsed_.pm.value_or(false) ? 12 : 0);
        else if (parsed_.pm && *parsed_.pm && !parsed_.hour24)
            civil.hour = civil.hour % 12 + 12;
        if (parsed_.minute)
            civil.minute = *parsed_.minute;
        if (parsed_.second)
            civil.second = *parsed_.second;
    }

    std::string_view text_;
    const std::vector<DateToken>& tokens_;
    CivilTime now_;
    Parsed parsed_;
    std::size_t at_ = 0;
    std::size_t index_ = 0;
    unsigned seen_ = 0;
    bool fill_ = false;
    bool exact_ = false;
};

} // namespace

OraDate parseDate(std::string_view text, std::string_view format, OraDate now)
{
    const std::vector<DateToken> tokens = readDateModel(format);
    return DateReader(text, tokens, now).read();
}

} // namespace vexmoor::engine
