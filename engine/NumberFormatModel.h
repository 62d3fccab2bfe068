#pragma once

#include <string>
#include <string_view>

namespace vexmoor::engine {

// A number format model taken apart, as TO_CHAR and TO_NUMBER both read it.
// Only NumberFormat.cpp and NumberParse.cpp use this.
struct NumberModel {
    enum class Sign { Default, LeadingS, TrailingS, TrailingMinus, Brackets };
    enum class Kind { Fixed, Scientific, Hex, TextMinimum, TextMinimumScientific };

    Kind kind = Kind::Fixed;
    Sign sign = Sign::Default;
    bool fillMode = false;  // FM
    bool blankZero = false; // B
    bool dollar = false;    // $
    bool hasPoint = false;  // '.' or D
    bool hexLower = false;  // x rather than X
    // The integer positions from the left: '9', '0' or ',' (G prints as ',').
    std::string integerPattern;
    // The fraction positions: '9' or '0'.
    std::string fractionPattern;
    // Digits after V: the value is multiplied by 10 to this power.
    int shift = 0;

    int integerDigits() const;
    // Where zero filling starts: the first '0' of the integer pattern, or its
    // length when there is none.
    std::size_t firstZero() const;
    // The length TO_CHAR gives without FM; '#' fills this many on overflow.
    std::size_t width() const;
};

// Reads a model; raises ORA-01481 for one Oracle would refuse or that this
// engine does not support (L, C, U, RN).
NumberModel readNumberModel(std::string_view format);

// A finite, non-negative value as decimal digits: value = 0.DIGITS x
// 10^pointPos, with no leading or trailing zeros in DIGITS ("" for zero).
// At most 15 significant digits, the shortest that reads back as the value.
struct DecimalDigits {
    std::string digits;
    int pointPos = 0;
};
DecimalDigits decimalDigits(double magnitude);
// Rounding half away from zero, as Oracle rounds its decimal NUMBER: to
// `fraction` places after the point, or to `significant` digits.
void roundToFraction(DecimalDigits& number, int fraction);
void roundToSignificant(DecimalDigits& number, int significant);

} // namespace vexmoor::engine
