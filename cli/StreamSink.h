#pragma once

#include "trace/LineSink.h"

#include <cstdio>

// Writes finished lines to a stream as they are; a poll's lines reach the
// reader together, when the poll ends.
class StreamSink final : public LineSink {
public:
    explicit StreamSink(std::FILE* stream) : m_stream(stream) {}

    void AppendLine(std::string_view composedLine) override
    {
        std::fwrite(composedLine.data(), 1, composedLine.size(), m_stream);
    }
    void EndOfPoll() override { std::fflush(m_stream); }

private:
    std::FILE* m_stream;
};
