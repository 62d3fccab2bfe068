#pragma once

#include "TraceSettings.h"

class LineSink;
class OciSession;

// Drains the pipe named in the settings into a sink: the logic of the log
// window's timer tick, without the window.
class PipePoller {
public:
    PipePoller(OciSession& session, LineSink& sink);

    TraceSettings& Settings() { return m_settings; }
    const TraceSettings& Settings() const { return m_settings; }

    // One poll: receives and reads every waiting message, in pipe order, on
    // one cursor, simple or typed according to Auto Unpack.
    void PollPipe();

private:
    OciSession& m_session;
    LineSink& m_sink;
    TraceSettings m_settings;
};
