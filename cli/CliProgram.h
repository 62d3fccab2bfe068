#pragma once

#include <string>
#include <vector>

// The whole of vexmoor-cli: cuts the command line, logs on, runs the command.
// Returns the exit status: 0 done, 1 logon failed, 2 usage. A database error
// ends the process with status 3 (the report goes to standard error).
int RunCliProgram(const std::vector<std::string>& arguments);

inline constexpr int kExitDone = 0;
inline constexpr int kExitLogonFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDatabaseError = 3;
