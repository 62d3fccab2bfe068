#pragma once

#include "base/TraceSettings.h"

#include <cstdint>
#include <string>

class LineSink;
class OciSession;

// The cursor operations a poll uses, as OciCursor offers them. A poll runs on
// an OciCursor; tests put a recording wrapper around one to see every
// statement and bind.
class PollCursor {
public:
    virtual ~PollCursor() = default;
    virtual void SetStatement(const std::string& statement) = 0;
    virtual void Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
                      std::int16_t* indicator) = 0;
    virtual bool Execute(bool report) = 0;
    // After Execute(false) failed: the Oracle error number, its text, and the
    // report that ends the process as Execute(true) would have.
    virtual int ErrorCode() const = 0;
    virtual std::string ErrorText() const = 0;
    [[noreturn]] virtual void ReportError() = 0;
};


// Drains the pipe named in the settings into a sink: the logic of the log
// window's timer tick, without the window.
class PipePoller {
public:
    PipePoller(OciSession& session, LineSink& sink);

    TraceSettings& Settings() { return settings_; }
    const TraceSettings& Settings() const { return settings_; }

    // One poll: receives and reads every waiting message, in pipe order, on
    // one cursor, simple or typed according to Auto Unpack. A message that
    // cannot be read as the setting asks is shown item by item instead, or as
    // far as it can be read; errors of the session end in the error report.
    // Without a pipe name nothing is polled. Returns how many messages it
    // received.
    int PollPipe();
    // The same poll on a cursor the caller opened.
    int PollPipe(PollCursor& cursor);

private:
    OciSession& session_;
    LineSink& sink_;
    TraceSettings settings_;
};
