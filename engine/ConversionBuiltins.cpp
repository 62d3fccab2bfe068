// The functions on NULLs (NVL2, COALESCE, NULLIF, DECODE) and
// dbms_utility's error stack.
#include "BuiltinArgs.h"

#include <array>

namespace vexmoor::engine {

Value BuiltinCall::lazy(std::size_t i) const
{
    if (!evaluated.empty())
        return evaluated[i];
    return interpreter.evaluate(frame, *expr.args[i].value);
}

namespace {

using namespace builtin_args;

Value nvl2(BuiltinCall& call)
{
    return call.args[0].isNull() ? call.args[2] : call.args[1];
}

// COALESCE: the first argument that is not NULL; the rest stay unevaluated.
Value coalesce(BuiltinCall& call)
{
    Value value;
    for (std::size_t i = 0; i < call.count(); ++i) {
        value = call.lazy(i);
        if (!value.isNull())
            return value;
    }
    return value;
}

// Whether DECODE's search value matches: NULL matches NULL there, and the
// search is compared as the type of the expression.
bool decodeMatches(BuiltinCall& call, const Value& value, const Value& search)
{
    if (value.isNull() || search.isNull())
        return value.isNull() && search.isNull();
    const ValueType type = value.type() == ValueType::Number || value.type() == ValueType::Date
                               ? value.type()
                               : ValueType::Varchar2;
    const Value a = convert(value, type, context(call));
    const Value b = convert(search, type, context(call));
    if (type == ValueType::Number)
        return a.asNumber() == b.asNumber();
    if (type == ValueType::Date)
        return a.asDate() == b.asDate();
    return a.asText() == b.asText();
}

// DECODE(expr, search, result [, search, result]... [, default]): searches
// are evaluated only up to the one that matches.
Value decode(BuiltinCall& call)
{
    const Value value = call.lazy(0);
    std::size_t i = 1;
    for (; i + 1 < call.count(); i += 2) {
        if (decodeMatches(call, value, call.lazy(i)))
            return call.lazy(i + 1);
    }
    return i < call.count() ? call.lazy(i) : Value::null();
}

Value nullIf(BuiltinCall& call)
{
    if (!call.args[0].isNull() && !call.args[1].isNull()
        && decodeMatches(call, call.args[0], call.args[1]))
        return Value::null(call.args[0].type());
    return call.args[0];
}

Value formatErrorStack(BuiltinCall& call)
{
    return call.interpreter.errorStack();
}

Value formatErrorBacktrace(BuiltinCall& call)
{
    return call.interpreter.errorBacktrace();
}

constexpr std::array kTwo{BuiltinParam{"EXPR1"}, BuiltinParam{"EXPR2"}};
constexpr std::array kThree{BuiltinParam{"EXPR1"}, BuiltinParam{"EXPR2"}, BuiltinParam{"EXPR3"}};
constexpr std::array<BuiltinParam, 0> kNone{};

constexpr std::array kConversions{
    BuiltinDef{"", "NVL2", true, ValueType::Null, kThree, nvl2},
    BuiltinDef{"", "NULLIF", true, ValueType::Null, kTwo, nullIf},
    BuiltinDef{"", "COALESCE", true, ValueType::Null, kNone, coalesce, true, 2},
    BuiltinDef{"", "DECODE", true, ValueType::Null, kNone, decode, true, 3},
};

constexpr std::array kDbmsUtility{
    BuiltinDef{"DBMS_UTILITY", "FORMAT_ERROR_STACK", true, ValueType::Varchar2, kNone,
               formatErrorStack},
    BuiltinDef{"DBMS_UTILITY", "FORMAT_ERROR_BACKTRACE", true, ValueType::Varchar2, kNone,
               formatErrorBacktrace},
};

} // namespace

std::span<const BuiltinDef> conversionBuiltins()
{
    return kConversions;
}

std::span<const BuiltinDef> dbmsUtilityBuiltins()
{
    return kDbmsUtility;
}

} // namespace vexmoor::engine
