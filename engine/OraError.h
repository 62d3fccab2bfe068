#pragma once

#include "base/OraError.h"

// The engine raises the one error type of base/; these declarations let its
// code name it as its own.
namespace vexmoor::engine {

using base::OraError;
using base::oraError;
using base::oraPrefix;
using base::oraText;

} // namespace vexmoor::engine
