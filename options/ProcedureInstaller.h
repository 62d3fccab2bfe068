#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

class OciSession;

// The note shown before the procedures are installed.
extern const std::string_view kInstallNote;

// The four statements, in the order they are sent.
extern const std::array<std::string_view, 4> kInstallStatements;

// A statement the server refused, with the library's text for the reason.
struct RefusedStatement {
    std::string_view statement; // one of kInstallStatements
    int code = 0;               // the Oracle error number
    std::string error;
};

// Creates SendDebugMessage, SendTraceMessage and their public synonyms on one
// cursor, each statement with reporting off: a refused statement shows
// nothing and the next one runs. What was refused is handed back, in order,
// for a caller that reports it (the console does; the options dialog does
// not).
std::vector<RefusedStatement> installProcedures(OciSession& session);

// One line for the status bar after Generate Procedures: what was created,
// or which statements the server refused and why.
std::string describeInstallOutcome(const std::vector<RefusedStatement>& refused);
