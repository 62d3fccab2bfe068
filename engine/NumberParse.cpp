#include "NumberFormat.h"

#include "NumberFormatModel.h"
#include "OraError.h"
#include "Value.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace vexmoor::engine {

namespace {

[[noreturn]] void conversionError(bool inPlSql)
{
    if (inPlSql)
        throw oraError(6502, {": character to number conversion error"});
    throw oraError(1722);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// NUMBER keeps 38 significant decimal digits; its first one stands at most
// at 10^125 and at least at 10^-130.
constexpr std::size_t kSignificantDigits = 38;
constexpr long long kHighestExponent = 125;
constexpr long long kLowestExponent = -130;

long long exponentPart(std::string_view digits)
{
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    long long exponent = 0;
    for (char c : digits)
        exponent = std::min(exponent * 10 + (c - '0'), 1000000000LL);
    return negative ? -exponent : exponent;
}

// Rounds significant digits half up to NUMBER's 38; a carry out of the first
// digit moves the exponent.
void roundToNumberDigits(std::string& digits, long long& exponent)
{
    if (digits.size() <= kSignificantDigits)
        return;
    const bool up = digits[kSignificantDigits] >= '5';
    digits.resize(kSignificantDigits);
    if (!up)
        return;
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9')
        digits[--i] = '0';
    if (i == 0) {
        digits = "1";
        ++exponent;
    } else {
        ++digits[i - 1];
    }
}

// A well-formed unsigned decimal as NUMBER holds it: rounded to 38
// significant digits, ORA-01426 from 1e126 on, 0 below 1e-130. The range is
// decided on the decimal digits, so 38 nines times 1e125 stays a number
// (the largest double below 1e126).
double decimalToNumber(std::string_view text)
{
    const std::size_t e = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, e);
    std::string digits;
    std::size_t whole = std::string_view::npos;
    for (char c : mantissa) {
        if (c == '.')
            whole = digits.size();
        else
            digits += c;
    }
    if (whole == std::string_view::npos)
        whole = digits.size();
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return 0;
    long long exponent = static_cast<long long>(whole) - static_cast<long long>(first) - 1
                         + (e == std::string_view::npos ? 0 : exponentPart(text.substr(e + 1)));
    digits.erase(0, first);
    digits.erase(digits.find_last_not_of('0') + 1);
    roundToNumberDigits(digits, exponent);
    if (exponent > kHighestExponent)
        throw oraError(1426);
    if (exponent < kLowestExponent)
        return 0;
    const std::string scaled =
        digits + "e" + std::to_string(exponent - static_cast<long long>(digits.size()) + 1);
    double value = 0;
    std::from_chars(scaled.data(), scaled.data() + scaled.size(), value);
    return value < kNumberLimit ? value : std::nextafter(kNumberLimit, 0.0);
}

// A number in plain notation without sign: digits, at most one point,
// optionally an exponent; reads through from_chars, which ignores the locale.
bool readUnsigned(std::string_view text, bool allowExponent, double& value)
{
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        if (!allowExponent)
            return false;
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const std::size_t exponentStart = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        if (i == exponentStart)
            return false;
    }
    if (i != text.size())
        return false;
    value = decimalToNumber(text);
    return true;
}

class ModelParser {
public:
    ModelParser(const NumberModel& model, std::string_view text, bool inPlSql)
        : model_(model), text_(text), inPlSql_(inPlSql)
    {
    }

    double parse()
    {
        if (model_.kind == NumberModel::Kind::TextMinimum
            || model_.kind == NumberModel::Kind::TextMinimumScientific)
            return parseNumber(text_, inPlSql_);
        if (model_.kind == NumberModel::Kind::Hex)
            return hex();
        const bool negative = takeSign();
        if (model_.dollar && !text_.empty() && text_.front() == '$')
            text_.remove_prefix(1);
        double value = model_.kind == NumberModel::Kind::Scientific ? scientific() : fixed();
        return negative ? -value : value;
    }

private:
    [[noreturn]] void fail() const { conversionError(inPlSql_); }

    bool takePrefix(char c)
    {
        if (text_.empty() || text_.front() != c)
            return false;
        text_.remove_prefix(1);
        return true;
    }

    bool takeSuffix(char c)
    {
        if (text_.empty() || text_.back() != c)
            return false;
        text_.remove_suffix(1);
        return true;
    }

    bool takeSign()
    {
        switch (model_.sign) {
        case NumberModel::Sign::Default:
            if (takePrefix('-'))
                return true;
            takePrefix('+');
            return false;
        case NumberModel::Sign::LeadingS:
            if (takePrefix('-'))
                return true;
            if (!takePrefix('+'))
                fail();
            return false;
        case NumberModel::Sign::TrailingS:
            if (takeSuffix('-'))
                return true;
            if (!takeSuffix('+'))
                fail();
            return false;
        case NumberModel::Sign::TrailingMinus:
            return takeSuffix('-');
        case NumberModel::Sign::Brackets:
            if (takePrefix('<')) {
                if (!takeSuffix('>'))
                    fail();
                return true;
            }
            return false;
        }
        return false;
    }

    double fixed()
    {
        std::string plain;
        const auto point = text_.find('.');
        std::string_view whole = text_.substr(0, point);
        const std::string_view fraction =
            point == std::string_view::npos ? std::string_view() : text_.substr(point + 1);
        if (point != std::string_view::npos && !model_.hasPoint)
            fail();
        int wholeDigits = 0;
        bool separatorAllowed = false;
        for (char c : whole) {
            if (c == ',' && separatorAllowed
                && model_.integerPattern.find(',') != std::string::npos)
                continue;
            if (!isDigit(c))
                fail();
            plain += c;
            separatorAllowed = true;
            ++wholeDigits;
        }
        if (wholeDigits > model_.integerDigits())
            fail();
        for (char c : fraction) {
            if (!isDigit(c))
                fail();
        }
        if (fraction.size() > model_.fractionPattern.size())
            fail();
        if (plain.empty() && fraction.empty())
            fail();
        if (!fraction.empty())
            plain += "." + std::string(fraction);
        double value = 0;
        if (!readUnsigned(plain, false, value))
            fail();
        return model_.shift > 0 ? value / std::pow(10.0, model_.shift) : value;
    }

    double scientific()
    {
        double value = 0;
        if (!readUnsigned(text_, true, value))
            fail();
        return value;
    }

    double hex()
    {
        if (text_.empty() || text_.size() > model_.integerPattern.size())
            fail();
        double value = 0;
        for (char c : text_) {
            const int lower = std::tolower(static_cast<unsigned char>(c));
            int digit = 0;
            if (isDigit(c))
                digit = c - '0';
            else if (lower >= 'a' && lower <= 'f')
                digit = lower - 'a' + 10;
            else
                fail();
            value = value * 16 + digit;
        }
        return value;
    }

    const NumberModel& model_;
    std::string_view text_;
    bool inPlSql_;
};

} // namespace

double parseNumber(std::string_view text, bool inPlSql)
{
    std::string_view rest = trimBlanks(text);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    double value = 0;
    if (!readUnsigned(rest, true, value))
        conversionError(inPlSql);
    return negative ? -value : value;
}

double parseNumber(std::string_view text, std::string_view format, bool inPlSql)
{
    const NumberModel model = readNumberModel(format);
    return ModelParser(model, trimBlanks(text), inPlSql).parse();
}

} // namespace vexmoor::engine
