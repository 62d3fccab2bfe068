#include "Interpreter.h"

#include "Builtins.h"
#include "Catalog.h"
#include "Composite.h"
#include "Database.h"
#include "LikePattern.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace vexmoor::engine {

namespace {

// How much stack one statement execution may use before the interpreter
// refuses to go deeper (runaway recursion of stored procedures).
constexpr std::uintptr_t kStackBudget = 4 * 1024 * 1024;

[[noreturn]] void valueError(std::string_view detail = {})
{
    throw oraError(6502, {detail});
}

double numberOf(const Value& value, const ConversionContext& context)
{
    return convert(value, ValueType::Number, context).asNumber();
}

Value checkedNumber(double value)
{
    return Value::number(numberInRange(value));
}

Value coerceNumber(const TypeSpec& type, double number)
{
    if (type.binaryInteger)
        return Value::number(toPlsInteger(number));
    if (type.precision >= 0) {
        number = roundHalfAway(number, type.scale);
        if (std::fabs(number) >= std::pow(10.0, type.precision - type.scale))
            valueError(": number precision too large");
    } else if (type.integer) {
        number = roundHalfAway(number);
    }
    return checkedNumber(number);
}

Value coerceBind(const BindBuffer& buffer, const Value& value, const ConversionContext& context)
{
    if (buffer.type == ExternalType::Integer) {
        Value number = convert(value, ValueType::Number, context);
        if (number.isNull())
            return number;
        const double rounded = roundHalfAway(number.asNumber());
        const double limit = std::ldexp(1.0, buffer.capacity * 8 - 1);
        if (!(rounded >= -limit && rounded < limit))
            valueError(": number precision too large");
        return Value::number(rounded);
    }
    Value text = convert(value, ValueType::Varchar2, context);
    if (!text.isNull() && text.asText().size() + 1 > static_cast<std::size_t>(buffer.capacity))
        valueError(": character string buffer too small");
    return text;
}

int compareNumbers(double a, double b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool comparisonHolds(Operator op, int order)
{
    switch (op) {
    case Operator::Equal:
        return order == 0;
    case Operator::NotEqual:
        return order != 0;
    case Operator::Less:
        return order < 0;
    case Operator::LessEqual:
        return order <= 0;
    case Operator::Greater:
        return order > 0;
    case Operator::GreaterEqual:
        return order >= 0;
    default:
        return false;
    }
}

std::optional<bool> truth(const Value& value)
{
    if (value.isNull())
        return std::nullopt;
    if (value.type() != ValueType::Boolean)
        valueError();
    return value.asBoolean();
}

Value fromTruth(std::optional<bool> truthValue)
{
    return truthValue ? Value::boolean(*truthValue) : Value::null(ValueType::Boolean);
}

} // namespace

Value coerce(const TypeSpec& type, Value value, const ConversionContext& context)
{
    if (type.composite) {
        // The compiler let only a value of this type (or a NULL nested table) through.
        if (value.type() != ValueType::Composite)
            return initialValue(type);
        const CompositeValue* given = value.asComposite();
        if (given && given->type != type.composite && !type.composite->isCollection()) {
            // a %ROWTYPE record into a record of a matching type: its fields converted
            Value record = initialValue(type);
            auto& fields = record.mutableComposite().fields;
            for (std::size_t i = 0; i < fields.size() && i < given->fields.size(); ++i)
                fields[i] = coerce(type.composite->fields[i].type, given->fields[i], context);
            return record;
        }
        return value;
    }
    if (type.type == ValueType::Boolean && value.type() != ValueType::Boolean && !value.isNull())
        valueError();
    Value converted = convert(value, type.type, context);
    if (converted.isNull())
        return Value::null(type.type);
    switch (type.type) {
    case ValueType::Number:
        return coerceNumber(type, converted.asNumber());
    case ValueType::Varchar2:
        if (converted.asText().size()
            > (type.length >= 0 ? static_cast<std::size_t>(type.length) : kMaxVarchar2))
            valueError(": character string buffer too small");
        break;
    case ValueType::Raw:
        if (converted.asText().size()
            > (type.length >= 0 ? static_cast<std::size_t>(type.length) : kMaxVarchar2))
            valueError(": raw variable length too long");
        break;
    default:
        break;
    }
    return converted;
}

// "ORA-06512: at line 5" in a block, "ORA-06512: at \"OWNER.P\", line 5" in
// a stored unit.
std::string stackLine(const CompiledUnit& unit, std::uint32_t line)
{
    return oraPrefix(6512) + ": at "
           + (unit.qualifiedName.empty() ? std::string() : "\"" + unit.qualifiedName + "\", ")
           + "line " + std::to_string(line);
}

std::string errorBase(const std::string& message)
{
    static const std::string marker = std::string(1, '\n').append(oraPrefix(6512)).append(": ");
    const auto cut = message.find(marker);
    return cut == std::string::npos ? message : message.substr(0, cut);
}

// ---------------------------------------------------------------- running

void Interpreter::run(const CompiledUnit& unit, std::vector<BindSlot>& binds)
{
    char base = 0;
    stackBase_ = &base;
    binds_ = &binds;
    procedures_ = unit.procedures;
    Frame frame;
    frame.unit = &unit;
    frame.slots.resize(unit.slotTypes.size());
    try {
        execBlock(frame, unit.ast->block);
    } catch (OraError& error) {
        error.appendLine(stackLine(unit, frame.line));
        throw;
    }
}

void Interpreter::countStep()
{
    const std::uint64_t budget = state_.limits.steps;
    if (budget != 0 && ++steps_ > budget)
        throw oraError(2393);
}

void Interpreter::checkStack() const
{
    char here = 0;
    const auto base = reinterpret_cast<std::uintptr_t>(stackBase_);
    const auto now = reinterpret_cast<std::uintptr_t>(&here);
    const std::uintptr_t used = base > now ? base - now : now - base;
    if (stackBase_ && used > kStackBudget)
        throw OraError(6500, oraPrefix(6500) + ": PL/SQL: storage error");
}

Interpreter::Flow Interpreter::execBlock(Frame& frame, const Block& block)
{
    checkStack();
    for (const auto& declaration : block.declarations) {
        if (declaration.isException || declaration.typeDeclaration || declaration.slot < 0)
            continue;
        frame.line = declaration.pos.line;
        const auto slot = static_cast<std::size_t>(declaration.slot);
        if (declaration.init) {
            frame.slots[slot] =
                coerce(declaration.type, eval(frame, *declaration.init), conversion());
            if (declaration.notNull && frame.slots[slot].isNull())
                valueError();
        } else {
            frame.slots[slot] = initialValue(declaration.type);
        }
    }
    struct CursorCloser {
        Interpreter& interpreter;
        Frame& frame;
        const Block& block;
        ~CursorCloser() { interpreter.closeBlockCursors(frame, block); }
    } closer{*this, frame, block};
    if (block.handlers.empty())
        return execStatements(frame, block.body);
    try {
        return execStatements(frame, block.body);
    } catch (OraError& error) {
        const Handler* handler = findHandler(block, error);
        if (!handler)
            throw;
        // The calls the error came through, then where this frame raised it.
        std::string base = errorBase(error.message());
        std::string backtrace = error.message().size() > base.size()
                                    ? error.message().substr(base.size() + 1) + "\n"
                                    : std::string();
        backtrace += stackLine(*frame.unit, frame.line) + "\n";
        return runHandler(frame, *handler, OraError(error.code(), std::move(base)),
                          std::move(backtrace));
    }
}

const Handler* Interpreter::findHandler(const Block& block, const OraError& error) const
{
    for (const auto& handler : block.handlers) {
        if (handler.others)
            return &handler;
        for (const auto& name : handler.names) {
            const Declaration* user = name.resolved.user;
            const bool matches = !user ? name.resolved.code == error.code()
                                 : user->exceptionCode != 0
                                     ? user->exceptionCode == error.code()
                                     : error.code() == 6510 && raisedUser_ == user;
            if (matches)
                return &handler;
        }
    }
    return nullptr;
}

Interpreter::Flow Interpreter::runHandler(Frame& frame, const Handler& handler,
                                          const OraError& error, std::string backtrace)
{
    const Declaration* user = error.code() == 6510 ? raisedUser_ : nullptr;
    handling_.push_back(Handled{error, user, std::move(backtrace)});
    struct Pop {
        std::vector<Handled>& stack;
        ~Pop() { stack.pop_back(); }
    } pop{handling_};
    return execStatements(frame, handler.body);
}

Interpreter::Flow Interpreter::execStatements(Frame& frame, const std::vector<Stmt>& statements)
{
    for (const auto& stmt : statements) {
        const Flow flow = execStatement(frame, stmt);
        if (flow != Flow::Normal)
            return flow;
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execStatement(Frame& frame, const Stmt& stmt)
{
    frame.line = stmt.pos.line;
    countStep();
    switch (stmt.kind) {
    case StmtKind::Null:
        return Flow::Normal;
    case StmtKind::Assign:
        if (stmt.appends)
            append(frame, stmt);
        else
            assign(frame, *stmt.target, eval(frame, *stmt.value));
        return Flow::Normal;
    case StmtKind::Call:
        if (stmt.target->target == Target::Builtin)
            callBuiltin(frame, *stmt.target);
        else if (stmt.target->target == Target::Member)
            callMember(frame, *stmt.target);
        else
            callProcedure(frame, *stmt.target);
        return Flow::Normal;
    case StmtKind::If:
        return execIf(frame, stmt);
    case StmtKind::Loop:
    case StmtKind::While:
        return execLoop(frame, stmt);
    case StmtKind::For:
        return execFor(frame, stmt);
    case StmtKind::Exit:
    case StmtKind::Continue:
        if (stmt.value && !condition(frame, *stmt.value).value_or(false))
            return Flow::Normal;
        jumpLabel_ = stmt.name.empty() ? nullptr : &stmt.name;
        return stmt.kind == StmtKind::Exit ? Flow::Exit : Flow::Continue;
    case StmtKind::Return:
        if (stmt.value)
            returned_ = eval(frame, *stmt.value);
        return Flow::Return;
    case StmtKind::Raise:
        raise(frame, stmt);
    case StmtKind::Block:
        return execBlock(frame, *stmt.block);
    case StmtKind::Case:
        return execCase(frame, stmt);
    case StmtKind::Sql:
        return execSql(frame, stmt);
    case StmtKind::CursorFor:
        return execCursorFor(frame, stmt);
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execIf(Frame& frame, const Stmt& stmt)
{
    checkStack();
    for (const auto& branch : stmt.branches) {
        if (condition(frame, *branch.condition).value_or(false))
            return execStatements(frame, branch.body);
    }
    return stmt.hasElse ? execStatements(frame, stmt.body) : Flow::Normal;
}

Interpreter::Flow Interpreter::execLoop(Frame& frame, const Stmt& stmt)
{
    checkStack();
    for (;;) {
        if (stmt.kind == StmtKind::While) {
            frame.line = stmt.pos.line;
            if (!condition(frame, *stmt.value).value_or(false))
                return Flow::Normal;
        }
        const Flow flow = execStatements(frame, stmt.body);
        if (const LoopStep step = afterBody(stmt, flow); step != LoopStep::Next)
            return step == LoopStep::Stop ? Flow::Normal : flow;
        checkCancel(state_);
    }
}

Interpreter::LoopStep Interpreter::afterBody(const Stmt& loop, Flow flow)
{
    if (flow == Flow::Normal)
        return LoopStep::Next;
    if (flow == Flow::Return)
        return LoopStep::Leave;
    if (jumpLabel_
        && std::find(loop.labels.begin(), loop.labels.end(), *jumpLabel_) == loop.labels.end())
        return LoopStep::Leave;
    jumpLabel_ = nullptr;
    return flow == Flow::Exit ? LoopStep::Stop : LoopStep::Next;
}

Interpreter::Flow Interpreter::execFor(Frame& frame, const Stmt& stmt)
{
    checkStack();
    const Value lowValue = eval(frame, *stmt.value);
    const Value highValue = eval(frame, *stmt.high);
    if (lowValue.isNull() || highValue.isNull())
        valueError();
    // The bounds are PLS_INTEGER, as Oracle keeps them.
    const double low = toPlsInteger(numberOf(lowValue, conversion()));
    const double high = toPlsInteger(numberOf(highValue, conversion()));
    const auto slot = static_cast<std::size_t>(stmt.slot);
    if (low > high)
        return Flow::Normal;
    for (double i = stmt.reverse ? high : low; stmt.reverse ? i >= low : i <= high;
         i += stmt.reverse ? -1 : 1) {
        frame.slots[slot] = Value::number(i);
        const Flow flow = execStatements(frame, stmt.body);
        if (const LoopStep step = afterBody(stmt, flow); step != LoopStep::Next) {
            if (step == LoopStep::Leave)
                return flow;
            break;
        }
        checkCancel(state_);
    }
    return Flow::Normal;
}

void Interpreter::raise(const Frame&, const Stmt& stmt)
{
    if (stmt.name.empty()) {
        raisedUser_ = handling_.back().user;
        throw handling_.back().error;
    }
    if (const Declaration* user = stmt.exception.user; user && user->exceptionCode != 0) {
        raisedUser_ = nullptr;
        const int code = user->exceptionCode;
        // An application error raised by name has no text, as in Oracle.
        throw code >= 20000 && code <= 20999 ? OraError(code, oraPrefix(code) + ": ")
                                             : oraError(code);
    }
    if (stmt.exception.user) {
        raisedUser_ = stmt.exception.user;
        throw oraError(6510);
    }
    raisedUser_ = nullptr;
    throw oraError(stmt.exception.code);
}

std::optional<bool> Interpreter::condition(Frame& frame, const Expr& expr)
{
    return truth(eval(frame, expr));
}

int Interpreter::sqlCode() const
{
    if (handling_.empty())
        return 0;
    const Handled& handled = handling_.back();
    if (handled.user)
        return 1;
    if (handled.error.code() == 1403)
        return 100;
    return -handled.error.code();
}

// NEXTVAL takes the sequence's next number, which CURRVAL then gives in
// this session; CURRVAL before any NEXTVAL is ORA-08002.
Value Interpreter::sequenceValue(const Expr& expr)
{
    const ObjectName object{expr.path[0], expr.path[1]};
    const std::string key = object.owner + "." + object.name;
    if (expr.path[2] == "NEXTVAL") {
        const std::int64_t value = state_.database->catalog().nextSequenceValue(object);
        state_.sequenceValues[key] = value;
        return Value::number(static_cast<double>(value));
    }
    const auto found = state_.sequenceValues.find(key);
    if (found == state_.sequenceValues.end())
        throw oraError(8002, {object.name});
    return Value::number(static_cast<double>(found->second));
}

Value Interpreter::errorBacktrace() const
{
    if (handling_.empty())
        return Value::null(ValueType::Varchar2);
    return Value::text(handling_.back().backtrace);
}

Value Interpreter::errorStack() const
{
    if (handling_.empty())
        return Value::null(ValueType::Varchar2);
    return Value::text(handling_.back().error.message() + "\n");
}

std::string Interpreter::sqlErrm() const
{
    if (handling_.empty())
        return "ORA-0000: normal, successful completion";
    if (handling_.back().user)
        return "User-Defined Exception";
    return handling_.back().error.message();
}

// ---------------------------------------------------------------- variables

void Interpreter::assign(Frame& frame, const Expr& target, Value value)
{
    if (target.kind == ExprKind::Bind) {
        BindSlot& bind = (*binds_)[static_cast<std::size_t>(target.index)];
        bind.value = coerceBind(bind.buffer, value, conversion());
        bind.assigned = true;
        return;
    }
    if (target.target == Target::Member) {
        assignMember(frame, target, std::move(value));
        return;
    }
    const auto slot = static_cast<std::size_t>(target.index);
    Frame& owner = frameOf(frame, target);
    owner.slots[slot] = coerce(owner.unit->slotTypes[slot], std::move(value), conversion());
    if (owner.unit->slotNotNull[slot] && owner.slots[slot].isNull())
        valueError();
}

// v := v || e1 || e2 ... without copying v at each turn of a loop: the
// operands after v are evaluated, converted and checked against the longest
// VARCHAR2 in the order the concatenation takes them, and v changes only
// once its declared length has been checked too, so that a failure leaves it
// as it was, as the assignment of the whole value would.
void Interpreter::append(Frame& frame, const Stmt& stmt)
{
    const Expr& target = *stmt.target;
    const auto slot = static_cast<std::size_t>(target.index);
    Frame& owner = frameOf(frame, target);
    Value& variable = owner.slots[slot];
    const std::size_t base = variable.isNull() ? 0 : variable.asText().size();
    std::string tail;
    appendOperands(frame, *stmt.value, base, tail);
    const TypeSpec& type = owner.unit->slotTypes[slot];
    if (base + tail.size()
        > (type.length >= 0 ? static_cast<std::size_t>(type.length) : kMaxVarchar2))
        valueError(": character string buffer too small");
    if (tail.empty()) {
        if (owner.unit->slotNotNull[slot] && variable.isNull())
            valueError();
        return;
    }
    if (variable.isNull() || variable.type() != ValueType::Varchar2)
        variable = Value::text(std::move(tail));
    else
        variable.mutableText() += tail;
}

// The text of the operands of a chain of || after its leftmost one, in turn.
void Interpreter::appendOperands(Frame& frame, const Expr& concat, std::size_t base,
                                 std::string& tail)
{
    checkStack();
    const Expr& left = *concat.left;
    if (left.kind == ExprKind::Binary && left.op == Operator::Concat)
        appendOperands(frame, left, base, tail);
    const std::string text = toText(eval(frame, *concat.right), conversion());
    if (base + tail.size() + text.size() > kMaxVarchar2)
        valueError(": character string buffer too small");
    tail += text;
}

ValueType Interpreter::targetType(const Frame& frame, const Expr& target) const
{
    if (target.target == Target::Member)
        return target.member->type.type;
    if (target.kind == ExprKind::Bind) {
        const BindSlot& bind = (*binds_)[static_cast<std::size_t>(target.index)];
        return bind.buffer.type == ExternalType::Integer ? ValueType::Number : ValueType::Varchar2;
    }
    const CompiledUnit& unit =
        target.package ? *target.package : *outerFrame(frame, target.up).unit;
    return unit.slotTypes[static_cast<std::size_t>(target.index)].type;
}

// ---------------------------------------------------------------- calls

Value Interpreter::callBuiltin(Frame& frame, const Expr& expr)
{
    const BuiltinDef& builtin = *expr.builtin;
    std::array<Value, kMaxBuiltinParams> args;
    unsigned given = 0;
    for (std::size_t i = 0; i < builtin.params.size(); ++i) {
        const Expr* argument = expr.ordered[i];
        if (!argument)
            continue;
        given |= 1U << i;
        if (builtin.params[i].mode != ParamMode::Out)
            args[i] = eval(frame, *argument);
    }
    BuiltinCall call{*this, frame, expr, std::span<Value>(args.data(), builtin.params.size()),
                     given};
    return builtin.fn(call);
}

Value Interpreter::callProcedure(Frame& caller, const Expr& expr)
{
    checkStack();
    checkCancel(state_);
    const CompiledUnit& unit = *expr.procedure;
    const auto& parameters = unit.ast->parameters;
    Frame frame;
    frame.unit = &unit;
    frame.slots.resize(unit.slotTypes.size());
    frame.line = unit.ast->block.pos.line;
    if (unit.nested)
        frame.parent = expr.package ? &packageFrame(*expr.package) : &outerFrame(caller, expr.up);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const Parameter& parameter = parameters[i];
        const auto slot = static_cast<std::size_t>(parameter.slot);
        if (const Expr* argument = expr.ordered[i]) {
            frame.slots[slot] = parameter.mode == ParamMode::Out
                                    ? initialValue(parameter.type)
                                    : coerce(parameter.type, eval(caller, *argument), conversion());
        } else {
            frame.slots[slot] =
                coerce(parameter.type, eval(frame, *parameter.defaultValue), conversion());
        }
    }
    Value result;
    try {
        const Flow flow = execBlock(frame, unit.ast->block);
        if (unit.ast->isFunction) {
            if (flow != Flow::Return)
                throw OraError(6503, oraPrefix(6503) + ": PL/SQL: Function returned without value");
            result = coerce(unit.ast->returnType, std::move(returned_), conversion());
        }
    } catch (OraError& error) {
        error.appendLine(stackLine(unit, frame.line));
        throw;
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i].mode != ParamMode::In && expr.ordered[i])
            assign(caller, *expr.ordered[i],
                   frame.slots[static_cast<std::size_t>(parameters[i].slot)]);
    }
    return result;
}

// ---------------------------------------------------------------- expressions

Value Interpreter::eval(Frame& frame, const Expr& expr)
{
    switch (expr.kind) {
    case ExprKind::Literal:
        return expr.literal;
    case ExprKind::Bind:
        return (*binds_)[static_cast<std::size_t>(expr.index)].value;
    case ExprKind::Name:
        if (expr.target == Target::Slot)
            return frameOf(frame, expr).slots[static_cast<std::size_t>(expr.index)];
        if (expr.target == Target::Procedure)
            return callProcedure(frame, expr);
        if (expr.target == Target::Member)
            return evalMember(frame, expr);
        if (expr.target == Target::Construct)
            return evalConstructor(frame, expr);
        if (expr.target == Target::Sequence)
            return sequenceValue(expr);
        return callBuiltin(frame, expr);
    case ExprKind::Unary:
        return evalUnary(frame, expr);
    case ExprKind::Binary:
        return expr.op == Operator::And || expr.op == Operator::Or ? evalLogical(frame, expr)
                                                                   : evalBinary(frame, expr);
    case ExprKind::Case:
        return evalCase(frame, expr);
    case ExprKind::CursorAttribute:
        return cursorAttribute(frame, expr);
    case ExprKind::Subquery:
        break; // the compiler lets a subquery stand in SQL only
    }
    return {};
}

// A WHEN of a simple CASE matches a value equal to the selector (never
// NULL); one of a searched CASE matches when its condition is TRUE.
bool Interpreter::caseMatches(Frame& frame, const Value* selector, const Expr& when)
{
    if (!selector)
        return condition(frame, when).value_or(false);
    const auto order = compare(*selector, eval(frame, when));
    return order && *order == 0;
}

// CASE expression: left is the selector of a simple CASE, args alternate
// WHEN and THEN, right is the ELSE; no match and no ELSE gives NULL.
Value Interpreter::evalCase(Frame& frame, const Expr& expr)
{
    checkStack();
    std::optional<Value> selector;
    if (expr.left)
        selector = eval(frame, *expr.left);
    for (std::size_t i = 0; i + 1 < expr.args.size(); i += 2) {
        if (caseMatches(frame, selector ? &*selector : nullptr, *expr.args[i].value))
            return eval(frame, *expr.args[i + 1].value);
    }
    return expr.right ? eval(frame, *expr.right) : Value::null();
}

// CASE statement: without ELSE, a value no WHEN matches raises CASE_NOT_FOUND.
Interpreter::Flow Interpreter::execCase(Frame& frame, const Stmt& stmt)
{
    checkStack();
    std::optional<Value> selector;
    if (stmt.value)
        selector = eval(frame, *stmt.value);
    for (const auto& branch : stmt.branches) {
        if (caseMatches(frame, selector ? &*selector : nullptr, *branch.condition))
            return execStatements(frame, branch.body);
    }
    if (!stmt.hasElse)
        throw oraError(6592);
    return execStatements(frame, stmt.body);
}

Value Interpreter::evalUnary(Frame& frame, const Expr& expr)
{
    checkStack();
    const Value operand = eval(frame, *expr.left);
    switch (expr.op) {
    case Operator::IsNull:
        return Value::boolean(operand.isNull());
    case Operator::IsNotNull:
        return Value::boolean(!operand.isNull());
    case Operator::Not: {
        const auto value = truth(operand);
        return fromTruth(value ? std::optional<bool>(!*value) : std::nullopt);
    }
    case Operator::Negate:
        if (operand.isNull())
            return Value::null(ValueType::Number);
        return Value::number(-numberOf(operand, conversion()));
    default:
        return convert(operand, ValueType::Number, conversion());
    }
}

Value Interpreter::evalLogical(Frame& frame, const Expr& expr)
{
    checkStack();
    const bool isAnd = expr.op == Operator::And;
    const auto left = truth(eval(frame, *expr.left));
    // AND stops at FALSE and OR at TRUE, whatever the other side holds.
    if (left && *left != isAnd)
        return Value::boolean(*left);
    const auto right = truth(eval(frame, *expr.right));
    if (right && *right != isAnd)
        return Value::boolean(*right);
    if (left && right)
        return Value::boolean(isAnd);
    return Value::null(ValueType::Boolean);
}

// The order of two values after Oracle's implicit conversions; nothing
// when either is NULL.
std::optional<int> Interpreter::compare(const Value& left, const Value& right) const
{
    if (left.isNull() || right.isNull())
        return std::nullopt;
    const ConversionContext& context = conversion();
    if (left.type() == ValueType::Number || right.type() == ValueType::Number)
        return compareNumbers(numberOf(left, context), numberOf(right, context));
    if (left.type() == ValueType::Date || right.type() == ValueType::Date) {
        const auto a = convert(left, ValueType::Date, context).asDate();
        const auto b = convert(right, ValueType::Date, context).asDate();
        return a < b ? -1 : (b < a ? 1 : 0);
    }
    if (left.type() == ValueType::Boolean || right.type() == ValueType::Boolean) {
        if (left.type() != right.type())
            valueError();
        return (left.asBoolean() ? 1 : 0) - (right.asBoolean() ? 1 : 0);
    }
    const ValueType common = left.type() == ValueType::Raw || right.type() == ValueType::Raw
                                 ? ValueType::Raw
                                 : ValueType::Varchar2;
    const int order =
        convert(left, common, context).asText().compare(convert(right, common, context).asText());
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

Value Interpreter::evalMembership(Frame& frame, const Expr& expr)
{
    const Value value = eval(frame, *expr.left);
    if (expr.op == Operator::Between) {
        const auto low = compare(value, eval(frame, *expr.args[0].value));
        const auto high = compare(value, eval(frame, *expr.args[1].value));
        if ((low && *low < 0) || (high && *high > 0))
            return Value::boolean(false);
        return low && high ? Value::boolean(true) : Value::null(ValueType::Boolean);
    }
    if (expr.op == Operator::In) {
        bool unknown = false;
        for (const auto& candidate : expr.args) {
            const auto order = compare(value, eval(frame, *candidate.value));
            if (order && *order == 0)
                return Value::boolean(true);
            unknown = unknown || !order;
        }
        return unknown ? Value::null(ValueType::Boolean) : Value::boolean(false);
    }
    const Value pattern = eval(frame, *expr.right);
    const Value escape = expr.args.empty() ? Value::null() : eval(frame, *expr.args[0].value);
    if (value.isNull() || pattern.isNull() || (!expr.args.empty() && escape.isNull()))
        return Value::null(ValueType::Boolean);
    const std::string escapeText = escape.isNull() ? std::string() : toText(escape, conversion());
    if (!expr.args.empty() && escapeText.size() != 1)
        throw OraError(1425,
                       oraPrefix(1425) + ": escape character must be character string of length 1");
    return Value::boolean(likeMatches(toText(value, conversion()), toText(pattern, conversion()),
                                      escapeText.empty() ? '\0' : escapeText[0],
                                      !escapeText.empty()));
}

// Whether PL/SQL computes with this expression in 32 bits: a PLS_INTEGER
// variable, an integer literal, or +, - and * of such.
bool Interpreter::isPlsInteger(const Frame& frame, const Expr& expr) const
{
    switch (expr.kind) {
    case ExprKind::Literal:
        return expr.integerLiteral;
    case ExprKind::Name:
        return expr.target == Target::Slot
               && (expr.package ? *expr.package : *outerFrame(frame, expr.up).unit)
                      .slotTypes[static_cast<std::size_t>(expr.index)]
                      .binaryInteger;
    case ExprKind::Unary:
        return expr.op == Operator::Negate && isPlsInteger(frame, *expr.left);
    case ExprKind::Binary:
        return (expr.op == Operator::Add || expr.op == Operator::Subtract
                || expr.op == Operator::Multiply)
               && isPlsInteger(frame, *expr.left) && isPlsInteger(frame, *expr.right);
    case ExprKind::Bind:
    case ExprKind::Case:
    case ExprKind::CursorAttribute:
    case ExprKind::Subquery:
        break;
    }
    return false;
}

// A sum, difference or product: a NUMBER, but one of two PLS_INTEGER
// operands overflows at 32 bits, even when assigned to a NUMBER.
Value Interpreter::integerResult(const Frame& frame, const Expr& expr, double result) const
{
    if (!fitsPlsInteger(result) && isPlsInteger(frame, *expr.left)
        && isPlsInteger(frame, *expr.right))
        throw oraError(1426);
    return checkedNumber(result);
}

Value Interpreter::evalBinary(Frame& frame, const Expr& expr)
{
    checkStack();
    if (expr.op >= Operator::Between)
        return evalMembership(frame, expr);
    const Value left = eval(frame, *expr.left);
    const Value right = eval(frame, *expr.right);
    const ConversionContext& context = conversion();

    if (expr.op == Operator::Concat) {
        std::string text = toText(left, context);
        const std::string tail = toText(right, context);
        if (text.size() + tail.size() > kMaxVarchar2)
            valueError(": character string buffer too small");
        text += tail;
        return Value::text(std::move(text));
    }

    if (expr.op >= Operator::Equal && expr.op <= Operator::GreaterEqual) {
        const auto order = compare(left, right);
        return order ? Value::boolean(comparisonHolds(expr.op, *order))
                     : Value::null(ValueType::Boolean);
    }

    // Arithmetic, with Oracle's date arithmetic in days.
    const bool leftDate = left.type() == ValueType::Date;
    const bool rightDate = right.type() == ValueType::Date;
    if (left.isNull() || right.isNull())
        return Value::null(leftDate || rightDate
                               ? (leftDate && rightDate ? ValueType::Number : ValueType::Date)
                               : ValueType::Number);
    if ((leftDate || rightDate) && (expr.op == Operator::Add || expr.op == Operator::Subtract)) {
        if (leftDate && rightDate && expr.op == Operator::Subtract)
            return Value::number(static_cast<double>(left.asDate().seconds - right.asDate().seconds)
                                 / static_cast<double>(kSecondsPerDay));
        if (leftDate != rightDate && !(rightDate && expr.op == Operator::Subtract)) {
            const OraDate date = leftDate ? left.asDate() : right.asDate();
            const double days = numberOf(leftDate ? right : left, context)
                                * (expr.op == Operator::Subtract ? -1 : 1);
            return Value::date(shiftedDate(date, days));
        }
        valueError();
    }
    const double a = numberOf(left, context);
    const double b = numberOf(right, context);
    switch (expr.op) {
    case Operator::Add:
        return integerResult(frame, expr, a + b);
    case Operator::Subtract:
        return integerResult(frame, expr, a - b);
    case Operator::Multiply:
        return integerResult(frame, expr, a * b);
    case Operator::Divide:
        if (b == 0)
            throw oraError(1476);
        return checkedNumber(a / b);
    case Operator::Power:
        return checkedNumber(std::pow(a, b));
    case Operator::Mod:
        return b == 0 ? Value::number(a) : checkedNumber(a - b * std::trunc(a / b));
    default:
        break;
    }
    valueError();
}

} // namespace vexmoor::engine
