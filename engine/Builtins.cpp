#include "Builtins.h"

#include "Database.h"
#include "DateFormat.h"
#include "Interpreter.h"
#include "NumberFormat.h"
#include "OraError.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>

namespace vexmoor::engine {

namespace {

constexpr std::size_t kMaxApplicationErrorText = 2048;

const ConversionContext& context(BuiltinCall& call)
{
    return call.interpreter.conversion();
}

std::string textOf(BuiltinCall& call, std::size_t i)
{
    return toText(call.args[i], context(call));
}

double numberOf(BuiltinCall& call, std::size_t i)
{
    return convert(call.args[i], ValueType::Number, context(call)).asNumber();
}

// An argument that Oracle's STANDARD package declares PLS_INTEGER: rounded,
// ORA-01426 outside 32 bits.
std::int32_t integerOf(BuiltinCall& call, std::size_t i)
{
    return toPlsInteger(numberOf(call, i));
}

bool anyNull(BuiltinCall& call)
{
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        if (call.has(i) && call.args[i].isNull())
            return true;
    }
    return false;
}

Value length(BuiltinCall& call)
{
    if (call.args[0].isNull())
        return Value::null(ValueType::Number);
    return Value::number(static_cast<double>(textOf(call, 0).size()));
}

// SUBSTR: position 0 counts as 1, a negative one counts from the end; a
// length below 1 or a start beyond the end gives NULL.
Value substr(BuiltinCall& call)
{
    if (anyNull(call))
        return Value::null(ValueType::Varchar2);
    const std::string text = textOf(call, 0);
    const auto size = static_cast<std::int64_t>(text.size());
    std::int64_t position = integerOf(call, 1);
    if (position == 0)
        position = 1;
    if (position < 0)
        position += size + 1;
    if (position < 1 || position > size)
        return Value::null(ValueType::Varchar2);
    std::int64_t count = size - position + 1;
    if (call.has(2))
        count = std::min<std::int64_t>(count, integerOf(call, 2));
    if (count < 1)
        return Value::null(ValueType::Varchar2);
    return Value::text(
        text.substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(count)));
}

int toUpper(int c)
{
    return std::toupper(c);
}

int toLower(int c)
{
    return std::tolower(c);
}

template <int (*Convert)(int)>
Value changeCase(BuiltinCall& call)
{
    std::string text = textOf(call, 0);
    for (char& c : text)
        c = static_cast<char>(Convert(static_cast<unsigned char>(c)));
    return Value::text(std::move(text));
}

Value nvl(BuiltinCall& call)
{
    return call.args[0].isNull() ? call.args[1] : call.args[0];
}

Value toChar(BuiltinCall& call)
{
    const Value& value = call.args[0];
    if (value.isNull() || (call.has(1) && call.args[1].isNull()))
        return Value::null(ValueType::Varchar2);
    if (!call.has(1))
        return Value::text(toText(value, context(call)));
    const std::string format = textOf(call, 1);
    if (value.type() == ValueType::Date)
        return Value::text(formatDate(value.asDate(), format));
    return Value::text(formatNumber(numberOf(call, 0), format));
}

Value toNumber(BuiltinCall& call)
{
    if (anyNull(call))
        return Value::null(ValueType::Number);
    if (call.args[0].type() == ValueType::Number)
        return call.args[0];
    if (call.has(1))
        return Value::number(parseNumber(textOf(call, 0), textOf(call, 1)));
    return Value::number(parseNumber(textOf(call, 0), true));
}

Value toDate(BuiltinCall& call)
{
    if (anyNull(call))
        return Value::null(ValueType::Date);
    if (call.args[0].type() == ValueType::Date && !call.has(1))
        return call.args[0];
    const std::string format = call.has(1) ? textOf(call, 1) : context(call).dateFormat;
    return Value::date(parseDate(textOf(call, 0), format, context(call).now()));
}

Value sysdate(BuiltinCall& call)
{
    return Value::date(currentDate(*call.interpreter.state().database));
}

Value hexToRaw(BuiltinCall& call)
{
    return convert(call.args[0], ValueType::Raw, context(call));
}

Value rawToHex(BuiltinCall& call)
{
    const Value raw = convert(call.args[0], ValueType::Raw, context(call));
    if (raw.isNull())
        return Value::null(ValueType::Varchar2);
    return Value::text(bytesToHex(raw.asText()));
}

Value sqlCode(BuiltinCall& call)
{
    return Value::number(call.interpreter.sqlCode());
}

Value sqlErrm(BuiltinCall& call)
{
    if (!call.has(0))
        return Value::text(call.interpreter.sqlErrm());
    const std::int64_t code = integerOf(call, 0);
    if (code == 0)
        return Value::text("ORA-0000: normal, successful completion");
    if (code == 1)
        return Value::text("User-Defined Exception");
    if (code == 100)
        return Value::text(oraPrefix(1403) + ": " + oraText(1403));
    if (code > 0) {
        // Built piecewise: GCC 12 at -O3 misreads "-" + std::to_string(...).
        std::string text = std::to_string(-code);
        text += ": non-ORACLE exception ";
        return Value::text(std::move(text));
    }
    if (-code > std::numeric_limits<int>::max())
        return Value::text("ORA-" + std::to_string(-code) + ": Message " + std::to_string(-code)
                           + " not found");
    const auto positive = static_cast<int>(-code);
    return Value::text(oraPrefix(positive) + ": " + oraText(positive));
}

Value raiseApplicationError(BuiltinCall& call)
{
    const std::int64_t code = call.args[0].isNull() ? 0 : integerOf(call, 0);
    if (code < -20999 || code > -20000)
        throw oraError(21000, {std::to_string(code), ""});
    std::string text = call.args[1].isNull() ? std::string() : textOf(call, 1);
    if (text.size() > kMaxApplicationErrorText)
        text.resize(kMaxApplicationErrorText);
    const int positive = static_cast<int>(-code);
    throw OraError(positive, oraPrefix(positive) + ": " + text);
}

Value absolute(BuiltinCall& call)
{
    if (anyNull(call))
        return Value::null(ValueType::Number);
    return Value::number(std::fabs(numberOf(call, 0)));
}

Value modulo(BuiltinCall& call)
{
    if (anyNull(call))
        return Value::null(ValueType::Number);
    const double m = numberOf(call, 0);
    const double n = numberOf(call, 1);
    return Value::number(n == 0 ? m : m - n * std::trunc(m / n));
}

Value roundNumber(BuiltinCall& call)
{
    if (call.args[0].type() == ValueType::Date)
        return roundDate(call);
    if (anyNull(call))
        return Value::null(ValueType::Number);
    const int places = call.has(1) ? integerOf(call, 1) : 0;
    return Value::number(numberInRange(roundHalfAway(numberOf(call, 0), places)));
}

// TRUNC(n, places). Places beyond what a double holds leave the value as it
// is; places before its first digit give 0.
double truncateTo(double value, int places)
{
    if (value == 0)
        return value;
    const int firstDigit = firstDigitExponent(value);
    if (static_cast<long long>(places) + firstDigit >= 17)
        return value;
    if (static_cast<long long>(places) + firstDigit < 0)
        return 0;
    const double scale = std::pow(10.0, places);
    return std::trunc(value * scale) / scale;
}

Value truncate(BuiltinCall& call)
{
    if (call.args[0].type() == ValueType::Date && call.has(1))
        return truncateDate(call);
    if (anyNull(call))
        return Value::null(call.args[0].type() == ValueType::Date ? ValueType::Date
                                                                  : ValueType::Number);
    if (call.args[0].type() == ValueType::Date && !call.has(1)) {
        const std::int64_t seconds = call.args[0].asDate().seconds;
        const std::int64_t day =
            seconds - ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
        return Value::date(OraDate{day});
    }
    const int places = call.has(1) ? integerOf(call, 1) : 0;
    return Value::number(truncateTo(numberOf(call, 0), places));
}

Value user(BuiltinCall& call)
{
    return Value::text(call.interpreter.state().user);
}

constexpr std::array<BuiltinParam, 0> kNoParams{};
constexpr std::array kOneParam{BuiltinParam{"X"}};
constexpr std::array kTwoParams{BuiltinParam{"X"}, BuiltinParam{"Y"}};
constexpr std::array kOptionalSecond{BuiltinParam{"X"},
                                     BuiltinParam{"FORMAT", ParamMode::In, true}};
constexpr std::array kSubstrParams{BuiltinParam{"STR1"}, BuiltinParam{"POS"},
                                   BuiltinParam{"LEN", ParamMode::In, true}};
constexpr std::array kSqlErrmParams{BuiltinParam{"CODE", ParamMode::In, true}};
constexpr std::array kApplicationErrorParams{BuiltinParam{"NUM"}, BuiltinParam{"MSG"},
                                             BuiltinParam{"KEEPERRORSTACK", ParamMode::In, true}};

constexpr std::array kStandard{
    BuiltinDef{"", "LENGTH", true, ValueType::Number, kOneParam, length},
    BuiltinDef{"", "SUBSTR", true, ValueType::Varchar2, kSubstrParams, substr},
    BuiltinDef{"", "UPPER", true, ValueType::Varchar2, kOneParam, changeCase<toUpper>},
    BuiltinDef{"", "LOWER", true, ValueType::Varchar2, kOneParam, changeCase<toLower>},
    BuiltinDef{"", "NVL", true, ValueType::Null, kTwoParams, nvl},
    BuiltinDef{"", "TO_CHAR", true, ValueType::Varchar2, kOptionalSecond, toChar},
    BuiltinDef{"", "TO_NUMBER", true, ValueType::Number, kOptionalSecond, toNumber},
    BuiltinDef{"", "TO_DATE", true, ValueType::Date, kOptionalSecond, toDate},
    BuiltinDef{"", "SYSDATE", true, ValueType::Date, kNoParams, sysdate},
    BuiltinDef{"", "HEXTORAW", true, ValueType::Raw, kOneParam, hexToRaw},
    BuiltinDef{"", "RAWTOHEX", true, ValueType::Varchar2, kOneParam, rawToHex},
    BuiltinDef{"", "SQLCODE", true, ValueType::Number, kNoParams, sqlCode},
    BuiltinDef{"", "SQLERRM", true, ValueType::Varchar2, kSqlErrmParams, sqlErrm},
    BuiltinDef{"", "RAISE_APPLICATION_ERROR", false, ValueType::Null, kApplicationErrorParams,
               raiseApplicationError},
    BuiltinDef{"", "ABS", true, ValueType::Number, kOneParam, absolute},
    BuiltinDef{"", "MOD", true, ValueType::Number, kTwoParams, modulo},
    BuiltinDef{"", "ROUND", true, ValueType::Number, kOptionalSecond, roundNumber},
    BuiltinDef{"", "TRUNC", true, ValueType::Null, kOptionalSecond, truncate},
    BuiltinDef{"", "USER", true, ValueType::Varchar2, kNoParams, user},
};

} // namespace

bool runsOnRows(const BuiltinDef& builtin)
{
    return builtin.package.empty() && builtin.isFunction
           && std::all_of(builtin.params.begin(), builtin.params.end(),
                          [](const BuiltinParam& param) { return param.mode == ParamMode::In; });
}

const BuiltinDef* findBuiltin(std::string_view package, std::string_view name)
{
    for (const auto table :
         {std::span<const BuiltinDef>(kStandard), dbmsPipeBuiltins(), stringBuiltins(),
          numberBuiltins(), dateBuiltins(), conversionBuiltins(), dbmsUtilityBuiltins(),
          dbmsOutputBuiltins(), sleepBuiltins()}) {
        for (const auto& builtin : table) {
            if (builtin.package == package && builtin.name == name)
                return &builtin;
        }
    }
    return nullptr;
}

} // namespace vexmoor::engine
