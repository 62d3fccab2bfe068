#include "Value.h"

#include "DateFormat.h"
#include "NumberFormat.h"
#include "OraError.h"

#include <cmath>

namespace vexmoor::engine {

namespace {

[[noreturn]] void valueError(std::string_view detail = {})
{
    throw oraError(6502, {detail});
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

Value toNumber(const Value& value)
{
    if (value.type() == ValueType::Varchar2)
        return Value::number(parseNumber(value.asText(), true));
    valueError();
}

Value toVarchar2(const Value& value, const ConversionContext& context)
{
    return Value::text(toText(value, context));
}

Value toDate(const Value& value, const ConversionContext& context)
{
    if (value.type() == ValueType::Varchar2)
        return Value::date(
            parseDate(value.asText(), context.dateFormat, context.now ? context.now() : OraDate{}));
    valueError();
}

Value toRaw(const Value& value)
{
    if (value.type() == ValueType::Varchar2)
        return Value::text(hexToBytes(value.asText()), ValueType::Raw);
    valueError();
}

Value toRowid(const Value& value)
{
    if (value.type() == ValueType::Varchar2)
        return Value::text(value.asText(), ValueType::Rowid);
    valueError();
}

} // namespace

std::string_view typeName(ValueType type)
{
    switch (type) {
    case ValueType::Null:
        return "NULL";
    case ValueType::Number:
        return "NUMBER";
    case ValueType::Varchar2:
        return "VARCHAR2";
    case ValueType::Date:
        return "DATE";
    case ValueType::Raw:
        return "RAW";
    case ValueType::Rowid:
        return "ROWID";
    case ValueType::Boolean:
        return "BOOLEAN";
    case ValueType::Composite:
        return "COMPOSITE";
    }
    return "NULL";
}

std::string bytesToHex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

std::string hexToBytes(std::string_view hex)
{
    std::string bytes;
    bytes.reserve(hex.size() / 2 + 1);
    std::size_t i = 0;
    if (hex.size() % 2 == 1) {
        const int low = hexDigit(hex[0]);
        if (low < 0)
            valueError(": hex to raw conversion error");
        bytes += static_cast<char>(low);
        i = 1;
    }
    for (; i < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            valueError(": hex to raw conversion error");
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

int firstDigitExponent(double value)
{
    const double magnitude = std::fabs(value);
    int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
    // log10 may land just below an exact power of ten, or just above one.
    if (magnitude >= std::pow(10.0, exponent + 1))
        ++exponent;
    else if (magnitude < std::pow(10.0, exponent))
        --exponent;
    return exponent;
}

double roundHalfAway(double value, int decimals)
{
    if (value == 0 || !std::isfinite(value))
        return value;
    // Beyond 17 significant digits a double has nothing left to round;
    // before the first digit but one, everything rounds to 0. Between the
    // two the scale stays a finite power of ten.
    const int firstDigit = firstDigitExponent(value);
    if (static_cast<long long>(decimals) + firstDigit >= 17)
        return value;
    if (static_cast<long long>(decimals) + firstDigit < -1)
        return 0;
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    const double rounded = std::round(scaled); // std::round rounds half away from zero
    return decimals == 0 ? rounded : rounded / scale;
}

double numberInRange(double value)
{
    if (std::isnan(value))
        valueError();
    const double magnitude = std::fabs(value);
    if (magnitude >= kNumberLimit)
        throw oraError(1426);
    return magnitude < kNumberSmallest ? 0.0 : value;
}

bool fitsPlsInteger(double value)
{
    const double rounded = std::round(value);
    return rounded >= -2147483648.0 && rounded <= 2147483647.0;
}

std::int32_t toPlsInteger(double value)
{
    if (!fitsPlsInteger(value))
        throw oraError(1426);
    return static_cast<std::int32_t>(std::round(value));
}

std::string toText(const Value& value, const ConversionContext& context)
{
    if (value.isNull())
        return {};
    switch (value.type()) {
    case ValueType::Number:
        return formatNumber(value.asNumber());
    case ValueType::Date:
        return formatDate(value.asDate(), context.dateFormat);
    case ValueType::Raw:
        return bytesToHex(value.asText());
    case ValueType::Varchar2:
    case ValueType::Rowid:
        return value.asText();
    case ValueType::Boolean:
    case ValueType::Composite:
    case ValueType::Null:
        break;
    }
    valueError();
}

Value convert(const Value& value, ValueType target, const ConversionContext& context)
{
    if (target == value.type() || target == ValueType::Null)
        return value;
    if (value.isNull())
        return Value::null(target);
    switch (target) {
    case ValueType::Number:
        return toNumber(value);
    case ValueType::Varchar2:
        return toVarchar2(value, context);
    case ValueType::Date:
        return toDate(value, context);
    case ValueType::Raw:
        return toRaw(value);
    case ValueType::Rowid:
        return toRowid(value);
    case ValueType::Boolean:
    case ValueType::Composite:
    case ValueType::Null:
        break;
    }
    valueError();
}

} // namespace vexmoor::engine
