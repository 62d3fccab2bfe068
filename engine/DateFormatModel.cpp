#include "DateFormatModel.h"

#include "OraError.h"
#include "base/Text.h"

#include <cctype>

namespace vexmoor::engine {

namespace {

struct ElementName {
    std::string_view name;
    DateElement element;
};

// Longest names first, so that the longest element always wins, as in Oracle
// (MONTH before MON, DDD before DD before D, HH24 before HH).
constexpr std::array kElementNames{
    ElementName{"SYYYY", DateElement::SignedYear},
    ElementName{"SSSSS", DateElement::SecondOfDay},
    ElementName{"MONTH", DateElement::MonthName},
    ElementName{"YYYY", DateElement::Year4},
    ElementName{"IYYY", DateElement::IsoYear4},
    ElementName{"RRRR", DateElement::RoundYear4},
    ElementName{"HH24", DateElement::Hour24},
    ElementName{"HH12", DateElement::Hour12},
    ElementName{"A.M.", DateElement::MeridianDots},
    ElementName{"P.M.", DateElement::MeridianDots},
    ElementName{"A.D.", DateElement::EraDots},
    ElementName{"B.C.", DateElement::EraDots},
    ElementName{"YYY", DateElement::Year3},
    ElementName{"IYY", DateElement::IsoYear3},
    ElementName{"MON", DateElement::MonthAbbrev},
    ElementName{"DDD", DateElement::DayOfYear},
    ElementName{"DAY", DateElement::DayName},
    ElementName{"SCC", DateElement::SignedCentury},
    ElementName{"YY", DateElement::Year2},
    ElementName{"RR", DateElement::RoundYear2},
    ElementName{"RM", DateElement::RomanMonth},
    ElementName{"MM", DateElement::Month},
    ElementName{"MI", DateElement::Minute},
    ElementName{"DD", DateElement::DayOfMonth},
    ElementName{"DY", DateElement::DayAbbrev},
    ElementName{"HH", DateElement::Hour12},
    ElementName{"SS", DateElement::Second},
    ElementName{"AM", DateElement::Meridian},
    ElementName{"PM", DateElement::Meridian},
    ElementName{"AD", DateElement::Era},
    ElementName{"BC", DateElement::Era},
    ElementName{"WW", DateElement::WeekOfYear},
    ElementName{"IW", DateElement::IsoWeek},
    ElementName{"IY", DateElement::IsoYear2},
    ElementName{"CC", DateElement::Century},
    ElementName{"FM", DateElement::FillMode},
    ElementName{"FX", DateElement::Exact},
    ElementName{"Y", DateElement::Year1},
    ElementName{"I", DateElement::IsoYear1},
    ElementName{"D", DateElement::DayOfWeek},
    ElementName{"Q", DateElement::Quarter},
    ElementName{"W", DateElement::WeekOfMonth},
    ElementName{"J", DateElement::Julian},
};

char upper(char c)
{
    return base::upperChar(c);
}

bool matchesAt(std::string_view text, std::size_t at, std::string_view name)
{
    if (text.size() - at < name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (upper(text[at + i]) != name[i])
            return false;
    }
    return true;
}

bool isAlnum(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

bool takesOrdinal(DateElement element)
{
    return numericWidth(element) > 0;
}

} // namespace

int numericWidth(DateElement element)
{
    switch (element) {
    case DateElement::SignedYear:
    case DateElement::Year4:
    case DateElement::RoundYear4:
    case DateElement::IsoYear4:
        return 4;
    case DateElement::IsoYear3:
    case DateElement::Year3:
    case DateElement::DayOfYear:
        return 3;
    case DateElement::Year2:
    case DateElement::RoundYear2:
    case DateElement::Month:
    case DateElement::DayOfMonth:
    case DateElement::Hour12:
    case DateElement::Hour24:
    case DateElement::Minute:
    case DateElement::Second:
    case DateElement::WeekOfYear:
    case DateElement::IsoWeek:
    case DateElement::IsoYear2:
    case DateElement::Century:
    case DateElement::SignedCentury:
        return 2;
    case DateElement::Year1:
    case DateElement::IsoYear1:
    case DateElement::DayOfWeek:
    case DateElement::Quarter:
    case DateElement::WeekOfMonth:
        return 1;
    case DateElement::SecondOfDay:
        return 5;
    case DateElement::Julian:
        return 7;
    default:
        return 0;
    }
}

std::vector<DateToken> readDateModel(std::string_view format)
{
    std::vector<DateToken> tokens;
    std::size_t at = 0;
    while (at < format.size()) {
        const char c = format[at];
        if (c == '"') {
            const std::size_t close = format.find('"', at + 1);
            if (close == std::string_view::npos)
                throw oraError(1821);
            tokens.push_back(
                {DateElement::Quoted, std::string(format.substr(at + 1, close - at - 1)), false});
            at = close + 1;
            continue;
        }
        if (!isAlnum(c)) {
            if (!tokens.empty() && tokens.back().element == DateElement::Literal)
                tokens.back().text += c;
            else
                tokens.push_back({DateElement::Literal, std::string(1, c), false});
            ++at;
            continue;
        }
        bool found = false;
        for (const auto& entry : kElementNames) {
            if (!matchesAt(format, at, entry.name))
                continue;
            DateToken token{entry.element, std::string(format.substr(at, entry.name.size())),
                            false};
            at += entry.name.size();
            if (takesOrdinal(entry.element) && matchesAt(format, at, "TH")) {
                token.ordinal = true;
                at += 2;
            }
            tokens.push_back(std::move(token));
            found = true;
            break;
        }
        if (!found)
            throw oraError(1821);
    }
    return tokens;
}

WordCase wordCase(std::string_view elementText)
{
    if (elementText.empty() || std::islower(static_cast<unsigned char>(elementText[0])))
        return WordCase::Lower;
    if (elementText.size() > 1 && std::islower(static_cast<unsigned char>(elementText[1])))
        return WordCase::Capital;
    return WordCase::Upper;
}

std::string applyCase(std::string_view upperWord, WordCase wordCase)
{
    std::string word(upperWord);
    for (std::size_t i = 0; i < word.size(); ++i) {
        const bool lower = wordCase == WordCase::Lower || (wordCase == WordCase::Capital && i > 0);
        if (lower)
            word[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
    }
    return word;
}

} // namespace vexmoor::engine
