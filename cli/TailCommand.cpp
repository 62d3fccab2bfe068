#include "TailCommand.h"

#include "StreamSink.h"

#include "trace/Journal.h"
#include "trace/JournalSink.h"
#include "trace/PipePoller.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace vexmoor::cli {

namespace {

// The log window's timer never fires faster than this; neither does tail.
constexpr std::chrono::milliseconds kShortestInterval{10};
constexpr std::chrono::milliseconds kWaitStep{50};

void waitUnlessStopped(std::chrono::milliseconds interval,
                       const std::function<bool()>& stopRequested)
{
    const auto until = std::chrono::steady_clock::now() + interval;
    for (auto now = std::chrono::steady_clock::now(); now < until && !stopRequested();
         now = std::chrono::steady_clock::now()) {
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(until - now, kWaitStep));
    }
}

// Ends each line with a line feed where the poller composed CR LF: a
// terminal's and a pipe's line end on this platform.
class LineFeedSink final : public trace::LineSink {
public:
    explicit LineFeedSink(trace::LineSink& next) : next_(next) {}

    void AppendLine(std::string_view composedLine) override
    {
        if (!composedLine.ends_with("\r\n")) {
            next_.AppendLine(composedLine);
            return;
        }
        line_.assign(composedLine.substr(0, composedLine.size() - 2));
        line_ += '\n';
        next_.AppendLine(line_);
    }
    void endOfPoll() override { next_.endOfPoll(); }

private:
    trace::LineSink& next_;
    std::string line_;
};

trace::Journal openJournal(const std::optional<std::string>& file)
{
    trace::Journal journal;
    if (file)
        journal = trace::Journal::appendTo(*file);
    journal.onFailure([](const std::string& reason) {
        std::fprintf(stderr, "vexmoor-cli: %s; tracing goes on without it\n", reason.c_str());
        std::fflush(stderr);
    });
    return journal;
}

} // namespace

bool runTail(db::OciSession& session, const base::TraceSettings& settings, double intervalSeconds,
             bool once, const TailOutput& output, std::FILE* out,
             const std::function<bool()>& stopRequested)
{
    trace::OciPipeChannel channel(session);
    return runTail(channel, settings, intervalSeconds, once, output, out, stopRequested);
}

bool runTail(trace::PipeChannel& channel, const base::TraceSettings& settings,
             double intervalSeconds, bool once, const TailOutput& output, std::FILE* out,
             const std::function<bool()>& stopRequested)
{
    StreamSink stream(out);
    LineFeedSink lineFeed(stream);
    // Only an LF Flag composes CR LF; a message's own CR LF without it stays.
    trace::LineSink& terminal =
        output.crlf || !settings.m_bLFFlag ? static_cast<trace::LineSink&>(stream) : lineFeed;
    trace::Journal journal = openJournal(output.journal);
    trace::JournalSink sink(terminal, output.journal ? &journal : nullptr);
    sink.setReceiptTime(output.receiptTime);
    trace::PipePoller poller(channel, sink);
    poller.Settings() = settings;
    // A year is as good as forever here, and keeps the conversion in range.
    const double milliseconds = std::min(intervalSeconds, 365.0 * 86400.0) * 1000.0;
    const auto interval = std::max(
        kShortestInterval, std::chrono::milliseconds(static_cast<std::int64_t>(milliseconds)));
    for (;;) {
        poller.PollPipe();
        if (once || stopRequested())
            return journal.failure().empty();
        waitUnlessStopped(interval, stopRequested);
        if (stopRequested())
            return journal.failure().empty();
    }
}

} // namespace vexmoor::cli
