#include "Text.h"

#include <cctype>

namespace vexmoor::base {

char upperChar(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string upperText(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = upperChar(c);
    return upper;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperChar(a[i]) != upperChar(b[i]))
            return false;
    }
    return true;
}

bool startsWithUpperAt(std::string_view text, std::size_t at, std::string_view upperWord)
{
    if (at > text.size() || text.size() - at < upperWord.size())
        return false;
    for (std::size_t i = 0; i < upperWord.size(); ++i) {
        if (upperChar(text[at + i]) != upperWord[i])
            return false;
    }
    return true;
}

std::string_view trimBlanks(std::string_view text)
{
    const auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace vexmoor::base
