#pragma once

#include <string>
#include <string_view>

namespace vexmoor::engine {

// TO_CHAR(number) without a format: the significant digits as Oracle prints
// them: 3 -> "3", 0.5 -> ".5", -0.5 -> "-.5", 1e40 -> "1.0000000000E+40".
std::string formatNumber(double value);

// TO_CHAR(number, format) for the common models: 9, 0, '.', ',', D, G, $,
// FM, S, MI, PR, EEEE, X, B, V, TM. A value that does not fit gives '#'
// characters, as Oracle does; an unknown model raises ORA-01481.
std::string formatNumber(double value, std::string_view format);

// TO_NUMBER(text) and the implicit conversion of text to a number: leading
// and trailing blanks allowed, sign, digits, one '.', an exponent. Anything
// else raises ORA-06502 with ": character to number conversion error" when
// `inPlSql`, else ORA-01722.
double parseNumber(std::string_view text, bool inPlSql = true);

// TO_NUMBER(text, format): the text as the model describes it (blanks
// around, '$', group separators and sign where the model has them). Errors
// as for TO_NUMBER(text). TM models read like TO_NUMBER(text).
double parseNumber(std::string_view text, std::string_view format, bool inPlSql = true);

// Keeps a string literal as the format from converting to `bool inPlSql`,
// which the compiler would otherwise prefer.
inline double parseNumber(std::string_view text, const char* format, bool inPlSql = true)
{
    return parseNumber(text, std::string_view(format), inPlSql);
}

} // namespace vexmoor::engine
