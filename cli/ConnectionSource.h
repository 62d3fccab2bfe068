#pragma once

#include "CommandLine.h"

#include <functional>
#include <optional>
#include <string>

namespace vexmoor::cli {

// Where the logon comes from: -c, else $VEXMOOR_CONNECT; the password from
// there, else $VEXMOOR_PASSWORD. A password still missing is asked for by the
// caller. `environment` returns the value of a variable, nothing when unset.
struct ResolvedConnection {
    std::optional<ConnectArgument> connection;
    std::string error; // why there is no connection
};

using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

ResolvedConnection resolveConnection(const CliOptions& options,
                                     const EnvironmentLookup& environment);

// The process's own environment.
std::optional<std::string> processEnvironment(const char* name);

} // namespace vexmoor::cli
