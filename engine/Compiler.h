#pragma once

#include "Interpreter.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vexmoor::engine {

// What the compiler asks of the database while it resolves names. Answers
// are taken with the rights of the unit's owner (definer's rights).
class CompileEnvironment {
public:
    virtual ~CompileEnvironment() = default;
    virtual bool mayUseDbmsPipe(const std::string& owner) = 0;
    // The stored procedure a (possibly qualified) name means for `owner`,
    // compiled or marked invalid; null when there is none.
    virtual std::shared_ptr<CompiledUnit> procedure(const std::string& owner,
                                                    const std::vector<std::string>& path) = 0;
    // The columns of the table a [owner.]name means for `owner`, for %TYPE
    // and %ROWTYPE; none when there is no such table the owner may read.
    virtual std::optional<std::vector<std::pair<std::string, TypeSpec>>>
    tableColumns(const std::string& owner, const std::vector<std::string>& path)
    {
        (void)owner;
        (void)path;
        return std::nullopt;
    }
    // Whether `owner` may use the sequence [owner.]name: its own, or any for
    // a DBA.
    virtual bool mayUseSequence(const std::string& owner, const std::vector<std::string>& path)
    {
        (void)owner;
        (void)path;
        return false;
    }
};

// Resolves every name of the unit to a slot, a bind, a built-in or a stored
// procedure, checks calls against their parameters, and sizes the slots.
// Raises ORA-06550 with the PLS error of the first fault.
void compile(CompiledUnit& unit, CompileEnvironment& environment);

} // namespace vexmoor::engine
