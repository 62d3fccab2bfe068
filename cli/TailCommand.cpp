#include "TailCommand.h"

#include "StreamSink.h"

#include "trace/PipePoller.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

namespace {

// The log window's timer never fires faster than this; neither does tail.
constexpr std::chrono::milliseconds kShortestInterval{10};
constexpr std::chrono::milliseconds kWaitStep{50};

void WaitUnlessStopped(std::chrono::milliseconds interval,
                       const std::function<bool()>& stopRequested)
{
    const auto until = std::chrono::steady_clock::now() + interval;
    for (auto now = std::chrono::steady_clock::now(); now < until && !stopRequested();
         now = std::chrono::steady_clock::now()) {
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(until - now, kWaitStep));
    }
}

} // namespace

void RunTail(OciSession& session, const TraceSettings& settings, double intervalSeconds, bool once,
             std::FILE* out, const std::function<bool()>& stopRequested)
{
    vexmoor::trace::OciPipeChannel channel(session);
    RunTail(channel, settings, intervalSeconds, once, out, stopRequested);
}

void RunTail(vexmoor::trace::PipeChannel& channel, const TraceSettings& settings,
             double intervalSeconds, bool once, std::FILE* out,
             const std::function<bool()>& stopRequested)
{
    StreamSink sink(out);
    PipePoller poller(channel, sink);
    poller.Settings() = settings;
    // A year is as good as forever here, and keeps the conversion in range.
    const double milliseconds = std::min(intervalSeconds, 365.0 * 86400.0) * 1000.0;
    const auto interval = std::max(
        kShortestInterval, std::chrono::milliseconds(static_cast<std::int64_t>(milliseconds)));
    for (;;) {
        poller.PollPipe();
        if (once || stopRequested())
            return;
        WaitUnlessStopped(interval, stopRequested);
        if (stopRequested())
            return;
    }
}
