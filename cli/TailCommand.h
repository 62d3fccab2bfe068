#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace vexmoor::base {
struct TraceSettings;
}

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::trace {
class PipeChannel;
}

namespace vexmoor::cli {

// How tail writes what the poller composes.
struct TailOutput {
    // The log window's bytes (CR LF after each line while LF Flag is on);
    // else a terminal's line feed in place of that CR LF.
    bool crlf = false;
    // "HH:MM:SS.mmm " before each line.
    bool receiptTime = false;
    // A file each line is appended to first, after its ISO receipt time.
    std::optional<std::string> journal;
};

// Polls the pipe like the log window's timer does and writes the lines to
// `out` as they come: once when `once`, else every interval until
// `stopRequested` says so (checked between polls and during the wait).
// A journal that cannot be written is named once on standard error and
// tracing goes on; the result is then false.
bool runTail(db::OciSession& session, const base::TraceSettings& settings, double intervalSeconds,
             bool once, const TailOutput& output, std::FILE* out,
             const std::function<bool()>& stopRequested);
// The same through a channel, on whatever database it reaches.
bool runTail(trace::PipeChannel& channel, const base::TraceSettings& settings,
             double intervalSeconds, bool once, const TailOutput& output, std::FILE* out,
             const std::function<bool()>& stopRequested);

} // namespace vexmoor::cli
