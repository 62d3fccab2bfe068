#pragma once

// What the poller, the purge and the procedure installer need from "a pipe on
// a database", whichever database it is. The lines a poll shows are composed
// in one place (PipePoller) from what a reader hands back.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::trace {

// One item of the received message, as the reader read it.
struct PipeItem {
    int typeCode = 0;        // the database's own code; 0: the message has no item left
    std::string_view prefix; // the line prefix; empty for a code no line shows
    std::string_view value;  // the value's text; empty for NULL
};

// A read that failed for a reason in the message, not in the session.
struct MessageFailure {
    std::string firstLine;    // the error's first line, for the line that names it
    bool itemTaken = false;   // the failed read took its item with it
    bool restReadable = true; // the items after it can still be read
};

// The reads of one poll, on one cursor or connection, in the protocol's
// order: receive, then either length and text (simple mode) or item after
// item. A failure of the session ends in the fatal report and never returns;
// a read that returns false failed on the message (see lastFailure()). The
// views handed back stay valid until the next read.
class PipeReader {
public:
    virtual ~PipeReader() = default;

    // True when a message was waiting and is now in the session's buffer.
    virtual bool receiveMessage(std::string_view pipeName) = 0;
    // Simple mode: the length item, then the text.
    virtual bool readLength(PipeItem& item) = 0;
    virtual bool readText(std::string_view& text) = 0;
    // The next item; afterFailure asks for the read that takes any item
    // the message can carry, used once a read failed on the message.
    virtual bool readItem(bool afterFailure, PipeItem& item) = 0;
    virtual const MessageFailure& lastFailure() const = 0;
};

enum class PipeDialect { Oracle, PostgreSql };

// A statement the server refused, by its position in the list run.
struct StatementRefusal {
    std::size_t index = 0;
    int code = 0; // the Oracle error number; 0 on PostgreSQL
    std::string error;
};

// A pipe on a database session.
class PipeChannel {
public:
    virtual ~PipeChannel() = default;

    virtual PipeDialect dialect() const = 0;
    // The reader of one poll; it holds what the poll needs open (a cursor).
    virtual std::unique_ptr<PipeReader> openReader() = 0;
    // Throws away every message waiting on the pipe; failures end in the
    // fatal report.
    virtual void purge(std::string_view pipeName) = 0;
    // Runs each statement in order; a refused one is handed back and the next
    // one runs.
    virtual std::vector<StatementRefusal> runEach(std::span<const std::string_view> statements) = 0;
};

} // namespace vexmoor::trace
