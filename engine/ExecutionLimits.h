#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace vexmoor::engine {

// Bounds that a caller running untrusted text (the fuzzer) puts on a session.
// By default there are none: a statement runs until it ends and dbms_pipe
// waits as long as it is asked to.
struct ExecutionLimits {
    // Statements (each loop turn counts its statements) one execution may
    // run; 0 for no bound. Beyond it the execution raises ORA-02393.
    std::uint64_t steps = 0;
    // The longest a send or receive waits, whatever timeout it was given.
    std::optional<std::chrono::milliseconds> longestWait;
};

} // namespace vexmoor::engine
