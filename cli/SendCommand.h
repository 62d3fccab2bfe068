#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::db {
class OciSession;
class PgSession;
} // namespace vexmoor::db

namespace vexmoor::cli {

// Calls SendDebugMessage (SendTraceMessage when `trace`) once per text, in
// order, on one cursor, with the text and the pipe bound as placeholders. A
// text "-" stands for the lines of `input`, one message each. Nothing more
// is sent once `stopRequested` says so, not even while waiting for input.
// A line holding a NUL byte cannot be bound whole: it is not sent, its
// number goes to standard error, the lines after it are sent, and the result
// is false.
bool runSend(db::OciSession& session, const std::vector<std::string>& texts,
             const std::string& pipe, bool trace, std::FILE* input,
             const std::function<bool()>& stopRequested);
// The same on PostgreSQL: CALL of the PL/pgSQL procedures.
bool runSend(db::PgSession& session, const std::vector<std::string>& texts, const std::string& pipe,
             bool trace, std::FILE* input, const std::function<bool()>& stopRequested);

// The line added to the report of a send that failed because the procedure
// is not there (PLS-00201 naming SendDebugMessage or SendTraceMessage).
std::optional<std::string> missingProcedureHint(std::string_view errorText);

// The block that sends one message; :message and :pipe are its placeholders.
std::string sendStatement(bool trace);
// The CALL that sends one message on PostgreSQL; $1 the text, $2 the pipe.
std::string postgresSendStatement(bool trace);

} // namespace vexmoor::cli
