// The standard functions on numbers beyond ABS, MOD, ROUND and TRUNC
// (Builtins.cpp), and GREATEST and LEAST.
#include "BuiltinArgs.h"

#include <array>
#include <vector>

namespace vexmoor::engine {

namespace {

using namespace builtin_args;

using Unary = double (*)(double);

Value nullNumber()
{
    return Value::null(ValueType::Number);
}

template <Unary F>
Value apply(BuiltinCall& call)
{
    if (anyNull(call))
        return nullNumber();
    return Value::number(numberInRange(F(numberOf(call, 0))));
}

double signOf(double n)
{
    return n > 0 ? 1 : (n < 0 ? -1 : 0);
}

double floorOf(double n)
{
    return std::floor(n);
}

double ceilOf(double n)
{
    return std::ceil(n);
}

double expOf(double n)
{
    return std::exp(n);
}

// REMAINDER: n2 - n1 * N with N the integer nearest n2/n1, the even one
// on a tie; a zero divisor is ORA-01476.
Value remainder(BuiltinCall& call)
{
    if (anyNull(call))
        return nullNumber();
    const double n2 = numberOf(call, 0);
    const double n1 = numberOf(call, 1);
    if (n1 == 0)
        throw oraError(1476);
    return Value::number(numberInRange(n2 - n1 * std::nearbyint(n2 / n1)));
}

// POWER: a negative base needs a whole exponent (ORA-01428 otherwise).
Value power(BuiltinCall& call)
{
    if (anyNull(call))
        return nullNumber();
    const double m = numberOf(call, 0);
    const double n = numberOf(call, 1);
    if (m < 0 && n != std::trunc(n))
        outOfRange(call, call.args[0]);
    if (m == 0 && n < 0)
        throw oraError(1476);
    return Value::number(numberInRange(std::pow(m, n)));
}

Value squareRoot(BuiltinCall& call)
{
    if (anyNull(call))
        return nullNumber();
    const double n = numberOf(call, 0);
    if (n < 0)
        outOfRange(call, call.args[0]);
    return Value::number(std::sqrt(n));
}

Value naturalLog(BuiltinCall& call)
{
    if (anyNull(call))
        return nullNumber();
    const double n = numberOf(call, 0);
    if (n <= 0)
        outOfRange(call, call.args[0]);
    return Value::number(std::log(n));
}

// LOG(base, n): a base of 1 or below 0, or n not above 0, is out of range.
Value logarithm(BuiltinCall& call)
{
    if (anyNull(call))
        return nullNumber();
    const double base = numberOf(call, 0);
    const double n = numberOf(call, 1);
    if (base <= 0 || base == 1)
        outOfRange(call, call.args[0]);
    if (n <= 0)
        outOfRange(call, call.args[1]);
    return Value::number(std::log(n) / std::log(base));
}

// GREATEST and LEAST: NULL when any argument is; the others are compared
// and returned as the type of the first.
template <bool Greatest>
Value extreme(BuiltinCall& call)
{
    std::vector<Value> values;
    bool null = false;
    for (std::size_t i = 0; i < call.count(); ++i) {
        values.push_back(call.lazy(i));
        null = null || values.back().isNull();
    }
    const ValueType first = values[0].type();
    const ValueType type =
        first == ValueType::Number || first == ValueType::Date ? first : ValueType::Varchar2;
    if (null)
        return Value::null(type);
    Value best = convert(values[0], type, context(call));
    for (std::size_t i = 1; i < values.size(); ++i) {
        const Value value = convert(values[i], type, context(call));
        int order = 0;
        if (type == ValueType::Number)
            order = value.asNumber() < best.asNumber()
                        ? -1
                        : (value.asNumber() > best.asNumber() ? 1 : 0);
        else if (type == ValueType::Date)
            order = value.asDate() < best.asDate() ? -1 : (best.asDate() < value.asDate() ? 1 : 0);
        else
            order = value.asText().compare(best.asText());
        if (Greatest ? order > 0 : order < 0)
            best = value;
    }
    return best;
}

constexpr std::array kOne{BuiltinParam{"N"}};
constexpr std::array kTwo{BuiltinParam{"N1"}, BuiltinParam{"N2"}};
constexpr std::array<BuiltinParam, 0> kAny{};

constexpr std::array kNumbers{
    BuiltinDef{"", "FLOOR", true, ValueType::Number, kOne, apply<floorOf>},
    BuiltinDef{"", "CEIL", true, ValueType::Number, kOne, apply<ceilOf>},
    BuiltinDef{"", "SIGN", true, ValueType::Number, kOne, apply<signOf>},
    BuiltinDef{"", "EXP", true, ValueType::Number, kOne, apply<expOf>},
    BuiltinDef{"", "SQRT", true, ValueType::Number, kOne, squareRoot},
    BuiltinDef{"", "LN", true, ValueType::Number, kOne, naturalLog},
    BuiltinDef{"", "LOG", true, ValueType::Number, kTwo, logarithm},
    BuiltinDef{"", "POWER", true, ValueType::Number, kTwo, power},
    BuiltinDef{"", "REMAINDER", true, ValueType::Number, kTwo, remainder},
    BuiltinDef{"", "GREATEST", true, ValueType::Null, kAny, extreme<true>, true, 1},
    BuiltinDef{"", "LEAST", true, ValueType::Null, kAny, extreme<false>, true, 1},
};

} // namespace

std::span<const BuiltinDef> numberBuiltins()
{
    return kNumbers;
}

} // namespace vexmoor::engine
