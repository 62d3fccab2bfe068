#pragma once

#include "Ast.h"
#include "Value.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace vexmoor::engine {

class Interpreter;
struct Frame;

inline constexpr std::size_t kMaxBuiltinParams = 6;

struct BuiltinParam {
    std::string_view name;
    ParamMode mode = ParamMode::In;
    bool optional = false;
};

// One call of a built-in: its arguments in parameter order, evaluated, and
// which of them the caller gave (bit i for parameter i).
struct BuiltinCall {
    Interpreter& interpreter;
    Frame& frame;
    const Expr& expr;
    std::span<Value> args;
    unsigned given = 0;
    // A variadic built-in called from SQL: its arguments, already evaluated
    // for the row (the expressions are columns there, not PL/SQL's).
    std::span<const Value> evaluated = {};

    bool has(std::size_t i) const { return (given >> i & 1U) != 0; }
    // The argument expression of an OUT parameter.
    const Expr& target(std::size_t i) const { return *expr.ordered[i]; }

    // A variadic built-in's arguments: how many, and each evaluated only
    // when asked for (COALESCE and DECODE stop at the first that decides).
    std::size_t count() const { return evaluated.empty() ? expr.args.size() : evaluated.size(); }
    Value lazy(std::size_t i) const;
};

using BuiltinFn = Value (*)(BuiltinCall& call);

// A function or procedure that the engine provides: the standard functions
// (LENGTH, TO_CHAR, ...) and the procedures and functions of dbms_pipe.
struct BuiltinDef {
    std::string_view package; // "" or "DBMS_PIPE"
    std::string_view name;
    bool isFunction = true;
    ValueType result = ValueType::Null; // Null: depends on the arguments
    std::span<const BuiltinParam> params;
    BuiltinFn fn = nullptr;
    // Variadic (GREATEST, COALESCE, DECODE): any number of positional
    // arguments from minArgs on, not evaluated before the call; params is
    // then empty.
    bool variadic = false;
    std::uint8_t minArgs = 0;
};

// The built-in named `name` in `package` ("" for the standard ones).
const BuiltinDef* findBuiltin(std::string_view package, std::string_view name);
// Whether SQL may call it on each row: a standard function (LENGTH, UPPER,
// TO_CHAR, TRUNC, DECODE...) of IN parameters only; not a package's.
bool runsOnRows(const BuiltinDef& builtin);
// The dbms_pipe entries (DbmsPipe.cpp).
std::span<const BuiltinDef> dbmsPipeBuiltins();
// The standard functions on text, numbers, dates and NULLs, and
// dbms_utility (StringBuiltins.cpp, NumberBuiltins.cpp, DateBuiltins.cpp,
// ConversionBuiltins.cpp).
std::span<const BuiltinDef> stringBuiltins();
std::span<const BuiltinDef> numberBuiltins();
std::span<const BuiltinDef> dateBuiltins();
std::span<const BuiltinDef> conversionBuiltins();
std::span<const BuiltinDef> dbmsUtilityBuiltins();
// TRUNC and ROUND of a date, to the unit a format names (DateBuiltins.cpp).
Value truncateDate(BuiltinCall& call);
Value roundDate(BuiltinCall& call);
// The dbms_output entries (DbmsOutput.cpp).
std::span<const BuiltinDef> dbmsOutputBuiltins();
// DBMS_LOCK.SLEEP and DBMS_SESSION.SLEEP (SleepBuiltins.cpp).
std::span<const BuiltinDef> sleepBuiltins();

} // namespace vexmoor::engine
