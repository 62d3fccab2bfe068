// Running record fields, collection elements and collection methods.
#include "Composite.h"
#include "Interpreter.h"

namespace vexmoor::engine {

namespace {

// The place a member's steps lead to, copied first where it is shared; an
// element of an index-by table is made when it is not there.
Value& stepsForWrite(Value& variable, const MemberAccess& access, const std::vector<Value>& keys,
                     const ConversionContext& context)
{
    Value* place = &variable;
    std::size_t key = 0;
    for (const MemberStep& step : access.steps) {
        if (step.field >= 0)
            place = &place->mutableComposite().fields[static_cast<std::size_t>(step.field)];
        else
            place = &elementForWrite(*place, keys[key++], context);
    }
    return *place;
}

Value stepsForRead(const Value& variable, const MemberAccess& access,
                   const std::vector<Value>& keys, const ConversionContext& context)
{
    Value place = variable;
    std::size_t key = 0;
    for (const MemberStep& step : access.steps) {
        if (step.field >= 0)
            place = place.asComposite()->fields[static_cast<std::size_t>(step.field)];
        else
            place = readElement(place, keys[key++], context);
    }
    return place;
}

} // namespace

std::vector<Value> Interpreter::evaluateAll(Frame& frame, const std::vector<Argument>& arguments)
{
    std::vector<Value> values;
    values.reserve(arguments.size());
    for (const auto& argument : arguments)
        values.push_back(eval(frame, *argument.value));
    return values;
}

Value Interpreter::evalMember(Frame& frame, const Expr& expr)
{
    // Subscripts and arguments first: a function among them may change the variable.
    const std::vector<Value> keys = evaluateAll(frame, expr.subscripts);
    std::vector<Value> args = evaluateAll(frame, expr.args);
    const MemberAccess& access = *expr.member;
    Frame& owner = frameOf(frame, expr);
    Value base =
        stepsForRead(owner.slots[static_cast<std::size_t>(expr.index)], access, keys, conversion());
    if (access.element)
        return readElement(base, args[0], conversion());
    if (access.method >= 0)
        return callMethod(base, static_cast<CollectionMethod>(access.method), args, conversion());
    return base;
}

Value Interpreter::evalConstructor(Frame& frame, const Expr& expr)
{
    return constructCollection(*expr.constructs, evaluateAll(frame, expr.args), conversion());
}

void Interpreter::callMember(Frame& frame, const Expr& expr)
{
    const std::vector<Value> keys = evaluateAll(frame, expr.subscripts);
    std::vector<Value> args = evaluateAll(frame, expr.args);
    Frame& owner = frameOf(frame, expr);
    Value& base = stepsForWrite(owner.slots[static_cast<std::size_t>(expr.index)], *expr.member,
                                keys, conversion());
    callMethod(base, static_cast<CollectionMethod>(expr.member->method), args, conversion());
}

void Interpreter::assignMember(Frame& frame, const Expr& target, Value value)
{
    const MemberAccess& access = *target.member;
    Value converted = coerce(access.type, std::move(value), conversion());
    const std::vector<Value> keys = evaluateAll(frame, target.subscripts);
    std::vector<Value> args =
        access.element ? evaluateAll(frame, target.args) : std::vector<Value>();
    Frame& owner = frameOf(frame, target);
    Value& base = stepsForWrite(owner.slots[static_cast<std::size_t>(target.index)], access, keys,
                                conversion());
    if (access.element)
        elementForWrite(base, args[0], conversion()) = std::move(converted);
    else
        base = std::move(converted);
}

} // namespace vexmoor::engine
