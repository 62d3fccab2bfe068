#pragma once

#include "Catalog.h"
#include "Compiler.h"

#include <optional>

namespace vexmoor::engine {

// Compiles a stored package: its header with its body as one unit
// whose local subprograms are the package's. A body that does not compile
// leaves the header usable and the package unable to run (ORA-04063),
// as does a missing body that the header needs (ORA-04067). Raises
// the compile error of a header that does not compile.
void compilePackage(CompiledUnit& unit, const StoredProcedure& header,
                    const std::optional<StoredProcedure>& body, CompileEnvironment& environment);

} // namespace vexmoor::engine
