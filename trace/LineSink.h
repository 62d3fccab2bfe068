#pragma once

#include <string_view>

namespace vexmoor::trace {

// Where the poller puts finished lines: the log window, a terminal, a test.
class LineSink {
public:
    virtual ~LineSink() = default;

    // One finished line with its line end already composed (CR LF when the
    // LF Flag setting is on, nothing otherwise).
    virtual void AppendLine(std::string_view composedLine) = 0;

    // A poll that appended lines has ended: a window may show them all now.
    virtual void endOfPoll() {}
};

} // namespace vexmoor::trace
