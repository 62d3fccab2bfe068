#include "NumberFormat.h"

#include "NumberFormatModel.h"

#include <cmath>

namespace vexmoor::engine {

namespace {

// Oracle prints a number positionally while that takes at most 40 characters.
constexpr std::size_t kMaxPositional = 40;
// Digits of the mantissa after the point in the scientific form: Oracle shows
// 1E+40 as 1.0000000000E+40; a value with more digits keeps all of them.
constexpr std::size_t kMinMantissaFraction = 10;

std::string positional(const DecimalDigits& number)
{
    const auto& digits = number.digits;
    const int point = number.pointPos;
    if (point <= 0)
        return "." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    const auto whole = static_cast<std::size_t>(point);
    if (whole >= digits.size())
        return digits + std::string(whole - digits.size(), '0');
    return digits.substr(0, whole) + "." + digits.substr(whole);
}

std::string exponentText(int exponent)
{
    std::string text = exponent < 0 ? "E-" : "E+";
    std::string digits = std::to_string(std::abs(exponent));
    if (digits.size() < 2)
        digits.insert(0, 1, '0');
    return text + digits;
}

// d.ddd with at least `fraction` places.
std::string mantissa(const DecimalDigits& number, std::size_t fraction)
{
    std::string rest = number.digits.empty() ? std::string() : number.digits.substr(1);
    if (rest.size() < fraction)
        rest.append(fraction - rest.size(), '0');
    const char first = number.digits.empty() ? '0' : number.digits[0];
    return rest.empty() ? std::string(1, first) : std::string(1, first) + "." + rest;
}

std::string nonFinite(double value)
{
    if (std::isnan(value))
        return "Nan";
    return value < 0 ? "-Inf" : "Inf";
}

std::string hashes(const NumberModel& model)
{
    return std::string(model.width(), '#');
}

// The sign, '$' and padding around the digits, by the model's sign element.
std::string decorate(const NumberModel& model, std::string core, bool negative)
{
    if (model.dollar)
        core.insert(0, 1, '$');
    switch (model.sign) {
    case NumberModel::Sign::Default:
        core.insert(0, 1, negative ? '-' : ' ');
        break;
    case NumberModel::Sign::LeadingS:
        core.insert(0, 1, negative ? '-' : '+');
        break;
    case NumberModel::Sign::TrailingS:
        core += negative ? '-' : '+';
        break;
    case NumberModel::Sign::TrailingMinus:
        core += negative ? '-' : ' ';
        break;
    case NumberModel::Sign::Brackets:
        core = (negative ? "<" : " ") + core + (negative ? ">" : " ");
        break;
    }
    if (model.fillMode) {
        const auto first = core.find_first_not_of(' ');
        if (first == std::string::npos)
            return {};
        return core.substr(first, core.find_last_not_of(' ') - first + 1);
    }
    const std::size_t width = model.width();
    if (core.size() < width)
        core.insert(0, width - core.size(), ' ');
    return core;
}

// The integer positions, right-aligned into the pattern: zeros from the first
// '0' of the pattern on, blanks before, separators only between digits.
std::string integerText(const NumberModel& model, const std::string& digits, bool showZero)
{
    const std::string& pattern = model.integerPattern;
    const std::size_t positions = static_cast<std::size_t>(model.integerDigits());
    const std::size_t zeroFrom =
        model.blankZero && digits.empty() ? pattern.size() : model.firstZero();
    std::string text;
    std::size_t position = 0;
    bool printed = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == ',') {
            text += printed ? ',' : ' ';
            continue;
        }
        const std::size_t digitIndex = position + digits.size();
        char c = ' ';
        if (digitIndex >= positions)
            c = digits[digitIndex - positions];
        else if (i >= zeroFrom)
            c = '0';
        else if (showZero && position + 1 == positions)
            c = '0';
        printed = printed || c != ' ';
        text += c;
        ++position;
    }
    return text;
}

std::string fixed(const NumberModel& model, double value)
{
    DecimalDigits number = decimalDigits(std::fabs(value));
    if (!number.digits.empty())
        number.pointPos += model.shift; // V scales in decimal, exactly
    const int fraction = static_cast<int>(model.fractionPattern.size());
    roundToFraction(number, fraction);
    const bool zero = number.digits.empty();
    const bool negative = value < 0 && !zero;
    if (zero && model.blankZero)
        return model.fillMode ? std::string() : std::string(model.width(), ' ');

    std::string text = positional(number);
    if (zero)
        text.clear();
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    std::string fractionDigits =
        point == std::string::npos ? std::string() : text.substr(point + 1);
    if (whole.size() > static_cast<std::size_t>(model.integerDigits()))
        return hashes(model);
    fractionDigits.append(model.fractionPattern.size() - fractionDigits.size(), '0');

    if (model.fillMode) {
        // FM drops trailing zeros that stand in '9' positions, never in '0' ones.
        while (!fractionDigits.empty() && fractionDigits.back() == '0'
               && model.fractionPattern[fractionDigits.size() - 1] == '9')
            fractionDigits.pop_back();
    }
    // A zero with nothing after the point still shows one '0'.
    const bool showZero = whole.empty() && fractionDigits.empty() && !model.blankZero;
    std::string core = integerText(model, whole, showZero);
    if (model.hasPoint)
        core += "." + fractionDigits;
    const auto first = core.find_first_not_of(' ');
    core = first == std::string::npos ? std::string() : core.substr(first);
    return decorate(model, core, negative);
}

std::string scientific(const NumberModel& model, double value)
{
    DecimalDigits number = decimalDigits(std::fabs(value));
    const std::size_t fraction = model.fractionPattern.size();
    roundToSignificant(number, static_cast<int>(fraction) + 1);
    const bool zero = number.digits.empty();
    std::string core = mantissa(number, fraction);
    if (model.hasPoint && fraction == 0)
        core += '.';
    core += exponentText(zero ? 0 : number.pointPos - 1);
    return decorate(model, core, value < 0 && !zero);
}

std::string hex(const NumberModel& model, double value)
{
    const double rounded = std::round(value);
    const std::size_t positions = model.integerPattern.size();
    if (rounded < 0 || rounded >= std::pow(16.0, static_cast<double>(positions)))
        return hashes(model);
    const char* alphabet = model.hexLower ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string digits;
    for (double rest = rounded; rest >= 1; rest = std::floor(rest / 16))
        digits.insert(0, 1, alphabet[static_cast<int>(std::fmod(rest, 16))]);
    if (digits.empty())
        digits = "0";
    const char fill = model.firstZero() < positions ? '0' : ' ';
    if (digits.size() < positions)
        digits.insert(0, positions - digits.size(), fill);
    if (model.fillMode)
        return digits.substr(std::min(digits.find_first_not_of(' '), digits.size() - 1));
    return " " + digits;
}

std::string textMinimumScientific(double value)
{
    DecimalDigits number = decimalDigits(std::fabs(value));
    const std::string sign = value < 0 ? "-" : "";
    return sign + mantissa(number, 0)
           + exponentText(number.digits.empty() ? 0 : number.pointPos - 1);
}

} // namespace

std::string formatNumber(double value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    const DecimalDigits number = decimalDigits(std::fabs(value));
    if (number.digits.empty())
        return "0";
    const std::string sign = value < 0 ? "-" : "";
    std::string text = positional(number);
    if (text.size() <= kMaxPositional)
        return sign + text;
    const std::size_t fraction = std::max(kMinMantissaFraction, number.digits.size() - 1);
    return sign + mantissa(number, fraction) + exponentText(number.pointPos - 1);
}

std::string formatNumber(double value, std::string_view format)
{
    const NumberModel model = readNumberModel(format);
    switch (model.kind) {
    case NumberModel::Kind::TextMinimum:
        return formatNumber(value);
    case NumberModel::Kind::TextMinimumScientific:
        return std::isfinite(value) ? textMinimumScientific(value) : nonFinite(value);
    default:
        break;
    }
    if (!std::isfinite(value))
        return hashes(model);
    switch (model.kind) {
    case NumberModel::Kind::Scientific:
        return scientific(model, value);
    case NumberModel::Kind::Hex:
        return hex(model, value);
    default:
        return fixed(model, value);
    }
}

} // namespace vexmoor::engine
