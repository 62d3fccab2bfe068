#pragma once

#include "OraError.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexmoor::engine {

// One row of USER_ERRORS: where a stored unit does not compile, and why.
struct CompileErrorRow {
    std::string name;
    std::string type; // PROCEDURE, FUNCTION, PACKAGE or PACKAGE BODY
    std::int64_t sequence = 0;
    std::int64_t line = 0;
    std::int64_t position = 0;
    std::string text;
    std::int64_t messageNumber = 0;
};

// The rows a compile error makes: one for each "ORA-06550: line L, column
// C:" with the text under it ("PLS-00201: ...", "PL/SQL: Statement
// ignored"), numbered from 1. An error of another shape is one row at line 0.
std::vector<CompileErrorRow> compileErrorRows(const std::string& name, const std::string& type,
                                              const OraError& error);

} // namespace vexmoor::engine
