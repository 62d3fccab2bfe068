#pragma once

#include <optional>
#include <string>

namespace vexmoor::cli {

// Asks for a password on the controlling terminal without echoing it.
// Nothing when there is no terminal, or when the prompt was cancelled
// (end of input, or a stop signal).
std::optional<std::string> promptPassword(const std::string& prompt);

} // namespace vexmoor::cli
