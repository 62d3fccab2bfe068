#pragma once

#include "Ast.h"
#include "Value.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace vexmoor::engine {

class Interpreter;
struct Frame;

inline constexpr std::size_t kMaxBuiltinParams = 4;

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

    bool has(std::size_t i) const { return (given >> i & 1U) != 0; }
    // The argument expression of an OUT parameter.
    const Expr& target(std::size_t i) const { return *expr.ordered[i]; }
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
};

// The built-in named `name` in `package` ("" for the standard ones).
const BuiltinDef* findBuiltin(std::string_view package, std::string_view name);
// The dbms_pipe entries (DbmsPipe.cpp).
std::span<const BuiltinDef> dbmsPipeBuiltins();
// The dbms_output entries (DbmsOutput.cpp).
std::span<const BuiltinDef> dbmsOutputBuiltins();

} // namespace vexmoor::engine
