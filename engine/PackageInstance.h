#pragma once

#include "Interpreter.h"

#include <map>
#include <memory>
#include <string>

namespace vexmoor::engine {

// A session's copy of a package: the values of its variables, made and
// initialised on the package's first use in the session.
struct PackageInstance {
    std::shared_ptr<CompiledUnit> unit;
    // The compiled units of the generation the package was compiled in, which
    // its calls point into.
    std::shared_ptr<const void> procedures;
    Frame frame;
};

// The session's package instances by qualified name (OWNER.NAME).
struct PackageInstances {
    std::map<std::string, std::unique_ptr<PackageInstance>> byName;

    PackageInstance* find(const std::string& qualifiedName);
};

// The session's instance of the package, if it has one.
PackageInstance* packageInstance(SessionState& state, const std::string& qualifiedName);

// ORA-04067 or ORA-04063 for a package that cannot run, with ORA-06508
// under it.
[[noreturn]] void raiseMissingBody(const CompiledUnit& package);

} // namespace vexmoor::engine
