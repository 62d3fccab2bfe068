#pragma once

#include <array>
#include <string_view>

class OciSession;

// The note shown before the procedures are installed.
extern const std::string_view kInstallNote;

// The four statements, in the order they are sent.
extern const std::array<std::string_view, 4> kInstallStatements;

// Creates SendDebugMessage, SendTraceMessage and their public synonyms on one
// cursor, each statement with reporting off: a refused statement is silent
// and the next one runs.
void InstallProcedures(OciSession& session);
