#pragma once

#include <string>
#include <string_view>

namespace vexmoor::engine {

// TO_CHAR(number) without a format: the significant digits as Oracle prints
// them: 3 -> "3", 0.5 -> ".5", -0.5 -> "-.5", 1e40 -> "1.0000000000E+40".
std::string formatNumber(double value);

// TO_CHAR(number, format) for the common models: 9, 0, '.', ',', D, G, $,
// FM, S, MI, PR, EEEE, X. A value that does not fit gives '#' characters, as
// Oracle does; an unknown model raises ORA-01481.
std::string formatNumber(double value, std::string_view format);

// TO_NUMBER(text) and the implicit conversion of text to a number: leading
// and trailing blanks allowed, sign, digits, one '.', an exponent. Anything
// else raises ORA-06502 with ": character to number conversion error" when
// `inPlSql`, else ORA-01722.
double parseNumber(std::string_view text, bool inPlSql = true);

// TO_NUMBER(text, format).
double parseNumber(std::string_view text, std::string_view format);

} // namespace vexmoor::engine
