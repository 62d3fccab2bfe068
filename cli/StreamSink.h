#pragma once

#include "trace/LineSink.h"

#include <cstdio>

namespace vexmoor::cli {

// Writes finished lines to a stream as they are, each flushed before the
// poller receives the next message: a reader killed at any moment has lost
// at most the message it was reading, which is already off the pipe.
class StreamSink final : public trace::LineSink {
public:
    explicit StreamSink(std::FILE* stream) : stream_(stream) {}

    void AppendLine(std::string_view composedLine) override
    {
        std::fwrite(composedLine.data(), 1, composedLine.size(), stream_);
        std::fflush(stream_);
    }
    void endOfPoll() override { std::fflush(stream_); }

private:
    std::FILE* stream_;
};

} // namespace vexmoor::cli
