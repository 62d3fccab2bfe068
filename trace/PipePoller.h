#pragma once

#include "OciPipeChannel.h"
#include "PipeChannel.h"
#include "base/TraceSettings.h"

#include <memory>

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::trace {

class LineSink;

// Drains the pipe named in the settings into a sink: the logic of the log
// window's timer tick, without the window.
class PipePoller {
public:
    // Polls through the protocol's statements on the session.
    PipePoller(db::OciSession& session, LineSink& sink);
    // Polls through the channel, which outlives the poller.
    PipePoller(PipeChannel& channel, LineSink& sink);
    ~PipePoller();

    base::TraceSettings& Settings() { return settings_; }
    const base::TraceSettings& Settings() const { return settings_; }

    // One poll: receives and reads every waiting message, in pipe order, on
    // one reader, simple or typed according to Auto Unpack. A message that
    // cannot be read as the setting asks is shown item by item instead, or as
    // far as it can be read; errors of the session end in the error report.
    // Without a pipe name nothing is polled. Returns how many messages it
    // received.
    int PollPipe();
    // The same poll through the protocol's statements on a cursor the caller
    // opened.
    int PollPipe(PollCursor& cursor);

private:
    int pollWith(PipeReader& reader);

    std::unique_ptr<PipeChannel> ownedChannel_;
    PipeChannel& channel_;
    LineSink& sink_;
    base::TraceSettings settings_;
};

} // namespace vexmoor::trace
