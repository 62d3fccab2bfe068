#pragma once

// Reading the arguments of a built-in call, shared by the files that hold
// the standard functions.

#include "Builtins.h"
#include "Interpreter.h"

#include <cmath>
#include <string>

namespace vexmoor::engine::builtin_args {

inline const ConversionContext& context(BuiltinCall& call)
{
    return call.interpreter.conversion();
}

inline std::string textOf(BuiltinCall& call, std::size_t i)
{
    return toText(call.args[i], context(call));
}

inline double numberOf(BuiltinCall& call, std::size_t i)
{
    return convert(call.args[i], ValueType::Number, context(call)).asNumber();
}

inline OraDate dateOf(BuiltinCall& call, std::size_t i)
{
    return convert(call.args[i], ValueType::Date, context(call)).asDate();
}

// A count or position that Oracle truncates to an integer (LPAD's length,
// INSTR's position), kept within 32 bits.
inline std::int64_t wholeOf(BuiltinCall& call, std::size_t i)
{
    const double value = std::trunc(numberOf(call, i));
    if (value > 2147483647.0)
        return 2147483647;
    if (value < -2147483648.0)
        return -2147483648LL;
    return static_cast<std::int64_t>(value);
}

// Whether any argument the caller gave is NULL: most functions then give NULL.
inline bool anyNull(BuiltinCall& call)
{
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        if (call.has(i) && call.args[i].isNull())
            return true;
    }
    return false;
}

// ORA-01428 "argument 'x' is out of range", naming the value as TO_CHAR prints it.
[[noreturn]] inline void outOfRange(BuiltinCall& call, const Value& value)
{
    throw oraError(1428, {toText(value, context(call))});
}

} // namespace vexmoor::engine::builtin_args
