#pragma once

#include "OciPipeChannel.h"
#include "PipeChannel.h"
#include "base/TraceSettings.h"

#include <memory>

class LineSink;
class OciSession;

// Drains the pipe named in the settings into a sink: the logic of the log
// window's timer tick, without the window.
class PipePoller {
public:
    // Polls through the protocol's statements on the session.
    PipePoller(OciSession& session, LineSink& sink);
    // Polls through the channel, which outlives the poller.
    PipePoller(vexmoor::trace::PipeChannel& channel, LineSink& sink);
    ~PipePoller();

    TraceSettings& Settings() { return settings_; }
    const TraceSettings& Settings() const { return settings_; }

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
    int pollWith(vexmoor::trace::PipeReader& reader);

    std::unique_ptr<vexmoor::trace::PipeChannel> ownedChannel_;
    vexmoor::trace::PipeChannel& channel_;
    LineSink& sink_;
    TraceSettings settings_;
};
