// Running record fields, collection elements and collection methods.
#include "Composite.h"
#include "Interpreter.h"

namespace vexmoor::engine {

namespace {

// The place a member's fields lead to, copied first where it is shared.
Value& fieldsForWrite(Value& variable, const MemberAccess& access)
{
    Value* place = &variable;
    for (const int field : access.fields)
        place = &place->mutableComposite().fields[static_cast<std::size_t>(field)];
    return *place;
}

const Value& fieldsForRead(const Value& variable, const MemberAccess& access)
{
    const Value* place = &variable;
    for (const int field : access.fields)
        place = &place->asComposite()->fields[static_cast<std::size_t>(field)];
    return *place;
}

} // namespace

std::vector<Value> Interpreter::memberArguments(Frame& frame, const Expr& expr)
{
    std::vector<Value> args;
    args.reserve(expr.args.size());
    for (const auto& argument : expr.args)
        args.push_back(eval(frame, *argument.value));
    return args;
}

Value Interpreter::evalMember(Frame& frame, const Expr& expr)
{
    // Arguments first: a function among them may change the variable.
    std::vector<Value> args = memberArguments(frame, expr);
    const MemberAccess& access = *expr.member;
    Frame& owner = frameOf(frame, expr);
    const Value& base = fieldsForRead(owner.slots[static_cast<std::size_t>(expr.index)], access);
    if (access.element)
        return readElement(base, args[0], conversion());
    if (access.method >= 0) {
        Value copy = base;
        return callMethod(copy, static_cast<CollectionMethod>(access.method), args, conversion());
    }
    return base;
}

Value Interpreter::evalConstructor(Frame& frame, const Expr& expr)
{
    return constructCollection(*expr.constructs, memberArguments(frame, expr), conversion());
}

void Interpreter::callMember(Frame& frame, const Expr& expr)
{
    std::vector<Value> args = memberArguments(frame, expr);
    Frame& owner = frameOf(frame, expr);
    Value& base = fieldsForWrite(owner.slots[static_cast<std::size_t>(expr.index)], *expr.member);
    callMethod(base, static_cast<CollectionMethod>(expr.member->method), args, conversion());
}

void Interpreter::assignMember(Frame& frame, const Expr& target, Value value)
{
    const MemberAccess& access = *target.member;
    Value converted = coerce(access.type, std::move(value), conversion());
    std::vector<Value> args =
        access.element ? memberArguments(frame, target) : std::vector<Value>();
    Frame& owner = frameOf(frame, target);
    Value& base = fieldsForWrite(owner.slots[static_cast<std::size_t>(target.index)], access);
    if (access.element)
        elementForWrite(base, args[0], conversion()) = std::move(converted);
    else
        base = std::move(converted);
}

} // namespace vexmoor::engine
