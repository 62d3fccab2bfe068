#include "NumberFormatModel.h"

#include "OraError.h"
#include "base/Text.h"

#include <cctype>
#include <charconv>

namespace vexmoor::engine {

namespace {

[[noreturn]] void invalidModel()
{
    throw oraError(1481);
}

bool startsWith(std::string_view text, std::size_t at, std::string_view word)
{
    return base::startsWithUpperAt(text, at, word);
}

// Walks the model once, enforcing the order Oracle requires: prefixes (FM, B,
// S, $), digits with separators, EEEE, then a sign suffix (S, MI, PR).
class ModelReader {
public:
    explicit ModelReader(std::string_view format) : format_(format) {}

    NumberModel read()
    {
        if (readTextMinimum())
            return model_;
        while (at_ < format_.size())
            readElement();
        finish();
        return model_;
    }

private:
    bool readTextMinimum()
    {
        std::size_t start = 0;
        if (startsWith(format_, 0, "FM"))
            start = 2;
        if (!startsWith(format_, start, "TM"))
            return false;
        const std::string_view rest = format_.substr(start + 2);
        if (rest.empty() || rest == "9")
            model_.kind = NumberModel::Kind::TextMinimum;
        else if (rest == "E" || rest == "e")
            model_.kind = NumberModel::Kind::TextMinimumScientific;
        else
            invalidModel();
        return true;
    }

    void readElement()
    {
        const char c = base::upperChar(format_[at_]);
        if (suffixDone_)
            invalidModel();
        if (startsWith(format_, at_, "FM"))
            return prefixFlag(model_.fillMode, 2);
        if (startsWith(format_, at_, "EEEE"))
            return exponent();
        if (startsWith(format_, at_, "MI"))
            return suffixSign(NumberModel::Sign::TrailingMinus, 2);
        if (startsWith(format_, at_, "PR"))
            return suffixSign(NumberModel::Sign::Brackets, 2);
        switch (c) {
        case 'B':
            return prefixFlag(model_.blankZero, 1);
        case '$':
            return prefixFlag(model_.dollar, 1);
        case 'S':
            return sign();
        case '9':
        case '0':
            return digit(format_[at_]);
        case 'X':
            return hexDigit();
        case ',':
        case 'G':
            return group(c);
        case '.':
        case 'D':
            return point(c);
        case 'V':
            return shift();
        default:
            invalidModel();
        }
    }

    void prefixFlag(bool& flag, std::size_t length)
    {
        if (flag || model_.kind == NumberModel::Kind::Scientific)
            invalidModel();
        flag = true;
        at_ += length;
    }

    void sign()
    {
        if (model_.sign != NumberModel::Sign::Default)
            invalidModel();
        if (anyDigit()) {
            model_.sign = NumberModel::Sign::TrailingS;
            suffixDone_ = true;
        } else {
            model_.sign = NumberModel::Sign::LeadingS;
        }
        ++at_;
    }

    void suffixSign(NumberModel::Sign sign, std::size_t length)
    {
        if (model_.sign != NumberModel::Sign::Default || !anyDigit())
            invalidModel();
        model_.sign = sign;
        suffixDone_ = true;
        at_ += length;
    }

    void exponent()
    {
        if (model_.kind != NumberModel::Kind::Fixed || !anyDigit() || inShift_)
            invalidModel();
        model_.kind = NumberModel::Kind::Scientific;
        at_ += 4;
    }

    void digit(char c)
    {
        // Nothing numeric follows EEEE; hex models take their zeros before the X's.
        if (model_.kind == NumberModel::Kind::Scientific || model_.kind == NumberModel::Kind::Hex)
            invalidModel();
        if (inShift_) {
            ++model_.shift;
            model_.integerPattern += c;
        } else if (model_.hasPoint) {
            model_.fractionPattern += c;
        } else {
            model_.integerPattern += c;
        }
        ++at_;
    }

    void hexDigit()
    {
        for (char p : model_.integerPattern) {
            if (p != '0' && p != 'X')
                invalidModel();
        }
        if (model_.hasPoint || inShift_ || model_.dollar || model_.blankZero
            || model_.sign != NumberModel::Sign::Default)
            invalidModel();
        if (model_.kind == NumberModel::Kind::Fixed && format_[at_] == 'x')
            model_.hexLower = true;
        model_.kind = NumberModel::Kind::Hex;
        model_.integerPattern += 'X';
        ++at_;
    }

    void group(char c)
    {
        if (model_.integerPattern.empty() || model_.hasPoint || inShift_
            || model_.kind != NumberModel::Kind::Fixed)
            invalidModel();
        noteStyle(c == ',' ? Style::Punctuation : Style::Letters);
        model_.integerPattern += ',';
        ++at_;
    }

    void point(char c)
    {
        if (model_.hasPoint || inShift_ || model_.kind != NumberModel::Kind::Fixed)
            invalidModel();
        noteStyle(c == '.' ? Style::Punctuation : Style::Letters);
        model_.hasPoint = true;
        ++at_;
    }

    void shift()
    {
        if (model_.hasPoint || inShift_ || model_.kind != NumberModel::Kind::Fixed)
            invalidModel();
        inShift_ = true;
        ++at_;
    }

    // ',' and '.' may not be mixed with G and D in one model.
    enum class Style { None, Punctuation, Letters };
    void noteStyle(Style style)
    {
        if (style_ != Style::None && style_ != style)
            invalidModel();
        style_ = style;
    }

    bool anyDigit() const
    {
        return !model_.integerPattern.empty() || !model_.fractionPattern.empty();
    }

    void finish()
    {
        if (!anyDigit() && !model_.hasPoint)
            invalidModel();
    }

    std::string_view format_;
    std::size_t at_ = 0;
    NumberModel model_;
    bool inShift_ = false;
    bool suffixDone_ = false;
    Style style_ = Style::None;
};

} // namespace

int NumberModel::integerDigits() const
{
    int count = 0;
    for (char c : integerPattern) {
        if (c != ',')
            ++count;
    }
    return count;
}

std::size_t NumberModel::firstZero() const
{
    const std::size_t zero = integerPattern.find('0');
    return zero == std::string::npos ? integerPattern.size() : zero;
}

std::size_t NumberModel::width() const
{
    std::size_t body = 0;
    switch (kind) {
    case Kind::Hex:
        return integerPattern.size() + 1;
    case Kind::Scientific:
        // One mantissa digit, the fraction, and E+nnn: room for a three-digit exponent.
        body = 1 + (hasPoint ? 1 + fractionPattern.size() : 0) + 5;
        break;
    case Kind::Fixed:
        body = integerPattern.size() + (hasPoint ? 1 : 0) + fractionPattern.size();
        break;
    case Kind::TextMinimum:
    case Kind::TextMinimumScientific:
        return 64;
    }
    return body + (dollar ? 1 : 0) + (sign == Sign::Brackets ? 2 : 1);
}

NumberModel readNumberModel(std::string_view format)
{
    return ModelReader(format).read();
}

DecimalDigits decimalDigits(double magnitude)
{
    DecimalDigits result;
    if (magnitude == 0)
        return result;
    // Shortest round-trip text first; a double needs up to 17 digits, of
    // which we keep 15, the precision a double carries faithfully (so that
    // 0.1 + 0.2 reads as .3, as it would in Oracle's decimal arithmetic).
    char buffer[64];
    char* end =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific).ptr;
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    std::string_view mantissa = text.substr(0, text.find('e'));
    std::size_t significant =
        mantissa.size() - (mantissa.find('.') == std::string_view::npos ? 0 : 1);
    if (significant > 15) {
        end = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                            std::chars_format::scientific, 14)
                  .ptr;
        text = std::string_view(buffer, static_cast<std::size_t>(end - buffer));
        mantissa = text.substr(0, text.find('e'));
    }
    for (char c : mantissa) {
        if (c != '.')
            result.digits += c;
    }
    std::string_view exponentText = text.substr(text.find('e') + 1);
    const bool negativeExponent = exponentText.front() == '-';
    exponentText.remove_prefix(1); // to_chars always writes the sign
    int exponent = 0;
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    if (negativeExponent)
        exponent = -exponent;
    result.pointPos = exponent + 1;
    while (!result.digits.empty() && result.digits.back() == '0')
        result.digits.pop_back();
    return result;
}

void roundToSignificant(DecimalDigits& number, int significant)
{
    if (significant < 0 || static_cast<std::size_t>(significant) >= number.digits.size())
        return;
    const bool up = number.digits[static_cast<std::size_t>(significant)] >= '5';
    number.digits.resize(static_cast<std::size_t>(significant));
    if (up) {
        int i = significant - 1;
        while (i >= 0 && number.digits[static_cast<std::size_t>(i)] == '9') {
            number.digits.pop_back();
            --i;
        }
        if (i < 0) {
            number.digits = "1";
            ++number.pointPos;
        } else {
            ++number.digits[static_cast<std::size_t>(i)];
        }
    }
    while (!number.digits.empty() && number.digits.back() == '0')
        number.digits.pop_back();
    if (number.digits.empty())
        number.pointPos = 0;
}

void roundToFraction(DecimalDigits& number, int fraction)
{
    const int keep = number.pointPos + fraction;
    if (keep < 0) {
        number = DecimalDigits{};
        return;
    }
    if (keep == 0) {
        // Only the rounding digit is left: it either becomes one unit or nothing.
        if (!number.digits.empty() && number.digits[0] >= '5') {
            number.digits = "1";
            number.pointPos = -fraction + 1;
        } else {
            number = DecimalDigits{};
        }
        return;
    }
    roundToSignificant(number, keep);
}

} // namespace vexmoor::engine
