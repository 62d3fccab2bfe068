#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "trace/PipeChannel.h"

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::options {

// The note shown before the procedures are installed.
extern const std::string_view kInstallNote;

// The four statements, in the order they are sent.
extern const std::array<std::string_view, 4> kInstallStatements;

// The same on PostgreSQL with orafce: the extension, the two procedures in
// PL/pgSQL, and EXECUTE for every role.
extern const std::array<std::string_view, 5> kPostgresInstallStatements;

// A statement the server refused, with the library's text for the reason.
struct RefusedStatement {
    std::string_view statement; // one of kInstallStatements or kPostgresInstallStatements
    int code = 0;               // the Oracle error number; 0 on PostgreSQL
    std::string error;
};

// Creates SendDebugMessage, SendTraceMessage and their public synonyms on one
// cursor, each statement with reporting off: a refused statement shows
// nothing and the next one runs. What was refused is handed back, in order,
// for a caller that reports it (the console does; the options dialog does
// not).
std::vector<RefusedStatement> installProcedures(db::OciSession& session);
// The statements of the channel's database, the same way.
std::vector<RefusedStatement> installProcedures(trace::PipeChannel& channel);

// One line for the status bar after Generate Procedures: what was created,
// or which statements the server refused and why.
std::string describeInstallOutcome(const std::vector<RefusedStatement>& refused,
                                   trace::PipeDialect dialect = trace::PipeDialect::Oracle);

} // namespace vexmoor::options
