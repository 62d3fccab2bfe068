#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexmoor::trace {

// What the log window's state pane tells at a glance.
struct TraceState {
    std::string user;
    std::string connect; // as the logon gave it
    std::string pipeName;
    std::int32_t timerFrequency = 0; // seconds
    bool tracing = false;
    bool started = false; // Start ran at least once
    std::int64_t messagesSinceStart = 0;
    std::string journalFailure; // empty while the journal works
};

// "vexmoor@embedded", "scott@orcl", "vexmoor@embedded:trace.db": whom and
// where, short enough for a pane. A database file is named without its
// folder, and a URL loses its user information and query (a password may be
// in them).
std::string describeConnection(std::string_view user, std::string_view connect);

// "vexmoor@embedded · pipe vexmoor · 5 s · tracing · 12 messages", in UTF-8;
// "stopped" in place of "tracing" while the timer is off, the count from the
// first Start on, and "journal failed: <reason>" at the end once the journal
// has failed.
std::string composeTraceStateText(const TraceState& state);

// What the status bar says at the start after a fatal report: where the
// unsaved log went and which journal holds the lines of that run. Either may
// be empty.
std::string composeAfterFatalReportText(std::string_view recoveryFile,
                                        std::string_view journalFile);

} // namespace vexmoor::trace
