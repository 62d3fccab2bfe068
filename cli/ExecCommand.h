#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::cli {

// Runs the statements in turn on one cursor, reporting any failure. Every
// placeholder is bound as a NUL-terminated string of 4,000 bytes, or as a
// 4-byte integer when `integerNames` names it, and starts out NULL. After
// each statement, one line ":NAME=VALUE" per placeholder goes to `out`, in
// order of first appearance; NULL shows as an empty value. Then come the
// lines the statement put in dbms_output, one per line. No statement
// starts once `stopRequested` says so.
void runExec(db::OciSession& session, const std::vector<std::string>& statements,
             const std::vector<std::string>& integerNames, std::FILE* out,
             const std::function<bool()>& stopRequested);

} // namespace vexmoor::cli
