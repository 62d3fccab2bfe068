#pragma once

#include <cstdio>
#include <functional>

class OciSession;
struct TraceSettings;

namespace vexmoor::trace {
class PipeChannel;
}

// Polls the pipe like the log window's timer does and writes the lines to
// `out` as they come: once when `once`, else every interval until
// `stopRequested` says so (checked between polls and during the wait).
void RunTail(OciSession& session, const TraceSettings& settings, double intervalSeconds, bool once,
             std::FILE* out, const std::function<bool()>& stopRequested);
// The same through a channel, on whatever database it reaches.
void RunTail(vexmoor::trace::PipeChannel& channel, const TraceSettings& settings,
             double intervalSeconds, bool once, std::FILE* out,
             const std::function<bool()>& stopRequested);
