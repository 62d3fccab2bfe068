#pragma once

#include "LineSink.h"

#include <chrono>
#include <functional>
#include <string>

namespace vexmoor::trace {

class Journal;

// Stands between the poller and where its lines go (the log window, a
// terminal): takes the receipt time of each line once, records the line with
// it in the journal, then passes it on, with "HH:MM:SS.mmm " before it while
// the receipt time is on. The line end the poller composed stays at the end.
// Off and without a journal, the next sink gets exactly the poller's bytes.
//
// A journal that fails reports through its own failure handler; the lines go
// on all the same.
class JournalSink final : public LineSink {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `journal` may be null (no journal); it must outlive this sink.
    explicit JournalSink(
        LineSink& next, Journal* journal = nullptr,
        Clock clock = [] { return std::chrono::system_clock::now(); });

    void setJournal(Journal* journal) { journal_ = journal; }
    Journal* journal() const { return journal_; }
    void setReceiptTime(bool on) { receiptTime_ = on; }
    bool receiptTime() const { return receiptTime_; }

    void AppendLine(std::string_view composedLine) override;
    void endOfPoll() override { next_.endOfPoll(); }

private:
    LineSink& next_;
    Journal* journal_;
    Clock clock_;
    bool receiptTime_ = false;
    std::string prefixed_;
};

} // namespace vexmoor::trace
