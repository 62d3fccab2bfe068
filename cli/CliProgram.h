#pragma once

#include <string>
#include <vector>

namespace vexmoor::cli {

// The whole of vexmoor-cli: cuts the command line, logs on, runs the command.
// Returns the exit status: 0 done, 1 logon failed, 2 usage, 3 refused
// (install: a statement the server refused; send: a line that could not be
// sent), 130 or 143 after SIGINT or SIGTERM. A database error ends the
// process with status 3 (the report goes to standard error), or with the
// signal's status when a stop signal broke the statement.
int runCliProgram(const std::vector<std::string>& arguments);

inline constexpr int kExitDone = 0;
inline constexpr int kExitLogonFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDatabaseError = 3;

} // namespace vexmoor::cli
