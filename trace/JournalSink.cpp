#include "JournalSink.h"

#include "Journal.h"
#include "ReceiptTime.h"

#include <utility>

namespace vexmoor::trace {

JournalSink::JournalSink(LineSink& next, Journal* journal, Clock clock)
    : next_(next), journal_(journal), clock_(std::move(clock))
{
}

void JournalSink::AppendLine(std::string_view composedLine)
{
    if (journal_ == nullptr && !receiptTime_) {
        next_.AppendLine(composedLine);
        return;
    }
    const auto received = clock_();
    // The journal first: a line the window has shown is one the journal holds.
    if (journal_ != nullptr)
        journal_->record(composedLine, received);
    if (!receiptTime_) {
        next_.AppendLine(composedLine);
        return;
    }
    prefixed_ = formatReceiptTime(received);
    prefixed_ += ' ';
    prefixed_ += composedLine;
    next_.AppendLine(prefixed_);
}

} // namespace vexmoor::trace
