// Package state per session: each session instantiates a package on its first
// use, running the body's initialisation once.
#include "PackageInstance.h"

namespace vexmoor::engine {

namespace {

std::string quoted(const CompiledUnit& package)
{
    return "\"" + package.qualifiedName + "\"";
}

OraError withUnitNotFound(OraError error, const CompiledUnit& package)
{
    error.appendLine(oraPrefix(6508) + ": " + oraText(6508, {": " + quoted(package)}));
    return error;
}

// A session that had state of a package since replaced is told once, as
// Oracle tells it; the next use starts a new instance.
OraError discarded(const CompiledUnit& package)
{
    OraError error = oraError(4068);
    error.appendLine(oraPrefix(4061) + ": " + oraText(4061, {"package body " + quoted(package)}));
    error.appendLine(oraPrefix(4065) + ": " + oraText(4065, {"package body " + quoted(package)}));
    return withUnitNotFound(std::move(error), package);
}

} // namespace

PackageInstance* PackageInstances::find(const std::string& qualifiedName)
{
    const auto found = byName.find(qualifiedName);
    return found == byName.end() ? nullptr : found->second.get();
}

PackageInstance* packageInstance(SessionState& state, const std::string& qualifiedName)
{
    return state.packages ? state.packages->find(qualifiedName) : nullptr;
}

void raiseMissingBody(const CompiledUnit& package)
{
    throw withUnitNotFound(*package.bodyError, package);
}

Frame& Interpreter::frameOf(Frame& frame, const Expr& expr)
{
    return expr.package ? packageFrame(*expr.package) : outerFrame(frame, expr.up);
}

Frame& Interpreter::packageFrame(const CompiledUnit& package)
{
    if (PackageInstance* instance = packageInstance(state_, package.qualifiedName)) {
        if (instance->unit.get() == &package)
            return instance->frame;
        const bool hadState = !instance->unit->slotTypes.empty();
        state_.packages->byName.erase(package.qualifiedName);
        if (hadState)
            throw discarded(package);
    }
    return instantiate(package);
}

Frame& Interpreter::instantiate(const CompiledUnit& package)
{
    if (package.bodyError)
        raiseMissingBody(package);
    if (!state_.packages)
        state_.packages = std::make_shared<PackageInstances>();
    auto instance = std::make_unique<PackageInstance>();
    instance->unit = std::const_pointer_cast<CompiledUnit>(package.shared_from_this());
    instance->procedures = procedures_;
    instance->frame.unit = &package;
    instance->frame.slots.resize(package.slotTypes.size());
    instance->frame.line = package.ast->block.pos.line;
    Frame& frame = instance->frame;
    state_.packages->byName[package.qualifiedName] = std::move(instance);
    try {
        // The initialisation may use the package itself: the instance is in
        // place before it runs.
        execBlock(frame, package.ast->block);
    } catch (OraError& error) {
        error.appendLine(oraPrefix(6512) + ": at " + quoted(package) + ", line "
                         + std::to_string(frame.line));
        state_.packages->byName.erase(package.qualifiedName);
        throw;
    }
    return frame;
}

} // namespace vexmoor::engine
