#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The string helpers every layer shares. Upper case is the C library's
// (std::toupper) for each byte, as Oracle folds names and keywords: bytes of
// other characters are left to the locale, never split or combined.
namespace vexmoor::base {

char upperChar(char c);
std::string upperText(std::string_view text);

// Whether the two texts are the same but for the case of their letters.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Whether `text` from `at` on starts with `upperWord` (given in upper case)
// in any case; false when fewer bytes than the word are left.
bool startsWithUpperAt(std::string_view text, std::size_t at, std::string_view upperWord);

// `text` without the white space (std::isspace) at either end.
std::string_view trimBlanks(std::string_view text);

} // namespace vexmoor::base
