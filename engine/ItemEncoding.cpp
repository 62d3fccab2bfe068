#include "ItemEncoding.h"

#include "OraError.h"

#include <charconv>
#include <cmath>
#include <string>

namespace vexmoor::engine {

namespace {

constexpr std::uint8_t kZero = 0x80;
constexpr int kPositiveBias = 193; // exponent byte of 1 <= x < 100
constexpr int kNegativeBias = 62;  // its complement for -100 < x <= -1
constexpr std::uint8_t kNegativeEnd = 102;
constexpr int kMaxDigits = 20;
constexpr int kMinExponent = -65; // 1e-130
constexpr int kMaxExponent = 62;  // below 1e126

int floorHalf(int value)
{
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

// The shortest decimal digits of |value| and the power of ten of the first.
void decimalDigits(double value, std::string& digits, int& exponent)
{
    char text[64];
    auto result =
        std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific);
    std::string_view written(text, static_cast<std::size_t>(result.ptr - text));
    std::size_t e = written.find('e');
    for (char c : written.substr(0, e)) {
        if (c != '.')
            digits += c;
    }
    std::string_view power = written.substr(e + 1);
    if (!power.empty() && power.front() == '+')
        power.remove_prefix(1);
    std::from_chars(power.data(), power.data() + power.size(), exponent);
}

} // namespace

std::vector<std::uint8_t> encodeNumber(double value)
{
    if (std::isnan(value))
        throw oraError(6502, {""});
    if (std::isinf(value))
        throw oraError(1426);
    if (value == 0)
        return {kZero};

    std::string digits;
    int exponent = 0;
    decimalDigits(value, digits, exponent);
    int exponent100 = floorHalf(exponent);
    if (exponent100 > kMaxExponent)
        throw oraError(1426);
    if (exponent100 < kMinExponent)
        return {kZero};
    // Align the digits on base-100 pairs: an even power of ten is the low
    // digit of its pair.
    if (exponent - 2 * exponent100 == 0)
        digits.insert(digits.begin(), '0');
    if (digits.size() % 2 != 0)
        digits += '0';
    while (digits.size() > 2 && digits.compare(digits.size() - 2, 2, "00") == 0)
        digits.resize(digits.size() - 2);

    bool negative = value < 0;
    std::vector<std::uint8_t> bytes;
    bytes.push_back(static_cast<std::uint8_t>(negative ? kNegativeBias - exponent100
                                                       : kPositiveBias + exponent100));
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        int pair = (digits[i] - '0') * 10 + (digits[i + 1] - '0');
        bytes.push_back(static_cast<std::uint8_t>(negative ? 101 - pair : pair + 1));
    }
    if (negative && static_cast<int>(digits.size() / 2) < kMaxDigits)
        bytes.push_back(kNegativeEnd);
    return bytes;
}

double decodeNumber(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty() || (bytes.size() == 1 && bytes[0] == kZero))
        return 0;
    bool negative = bytes[0] < kZero;
    int exponent100 = negative ? kNegativeBias - bytes[0] : bytes[0] - kPositiveBias;
    std::string text = "0.";
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        if (negative && bytes[i] == kNegativeEnd)
            break;
        int pair = negative ? 101 - bytes[i] : bytes[i] - 1;
        if (pair < 0 || pair > 99)
            throw oraError(6502, {""});
        text += static_cast<char>('0' + pair / 10);
        text += static_cast<char>('0' + pair % 10);
    }
    text += 'e' + std::to_string(2 * (exponent100 + 1));
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return negative ? -value : value;
}

std::vector<std::uint8_t> encodeDate(OraDate date)
{
    CivilTime civil = toCivil(date);
    return {
        static_cast<std::uint8_t>(100 + civil.year / 100),
        static_cast<std::uint8_t>(100 + civil.year % 100),
        static_cast<std::uint8_t>(civil.month),
        static_cast<std::uint8_t>(civil.day),
        static_cast<std::uint8_t>(civil.hour + 1),
        static_cast<std::uint8_t>(civil.minute + 1),
        static_cast<std::uint8_t>(civil.second + 1),
    };
}

OraDate decodeDate(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != 7)
        throw oraError(6502, {""});
    CivilTime civil;
    civil.year = (bytes[0] - 100) * 100 + (bytes[1] - 100);
    civil.month = bytes[2];
    civil.day = bytes[3];
    civil.hour = bytes[4] - 1;
    civil.minute = bytes[5] - 1;
    civil.second = bytes[6] - 1;
    return fromCivil(civil);
}

} // namespace vexmoor::engine
