#include "PipePoller.h"

#include "LineSink.h"
#include "PipeStatements.h"

#include "db/Oci.h"
#include "db/OciCursor.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

namespace {

using vexmoor::db::oci::kTypeInteger;
using vexmoor::db::oci::kTypeString;

// The errors of an unpack whose cause lies in the message, and what each
// leaves in the session's buffer (as the engine does, and as Oracle
// documents for the type check).
constexpr int kValueError = 6502;    // the item was taken; its target is too small
constexpr int kNoItemLeft = 6556;    // nothing was left to take
constexpr int kWrongItemType = 6559; // the type is checked before anything is taken
constexpr std::string_view kNotShown = "MESSAGE NOT SHOWN: ";

// Whether a failed read lies in the message rather than the session.
bool isMessageError(int oracleCode)
{
    return oracleCode == kValueError || oracleCode == kNoItemLeft || oracleCode == kWrongItemType;
}

class OciPollCursor final : public PollCursor {
public:
    explicit OciPollCursor(OciCursor& cursor) : cursor_(cursor) {}
    void SetStatement(const std::string& statement) override { cursor_.SetStatement(statement); }
    void Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
              std::int16_t* indicator) override
    {
        cursor_.Bind(name, buffer, length, type, indicator);
    }
    bool Execute(bool report) override { return cursor_.Execute(report); }
    int ErrorCode() const override { return cursor_.returnCode(); }
    std::string ErrorText() const override { return cursor_.ErrorText(); }
    [[noreturn]] void ReportError() override { cursor_.ReportError(); }

private:
    OciCursor& cursor_;
};

// The output variables of one poll. The database leaves a buffer alone when
// it hands back NULL, so every buffer is cleared before each execute: a NULL
// then reads as empty text instead of the previous message's.
class PollBuffers {
public:
    static constexpr std::int32_t kTextCapacity =
        std::max({kTextBufferSize, kItemValueBufferSize, kLongItemValueBufferSize});

    PollBuffers() : text_(std::make_unique_for_overwrite<char[]>(kTextCapacity)) {}

    std::int32_t* Integer() { return &integer_; }
    char* Text() { return text_.get(); }
    std::int16_t* Indicator() { return &indicator_; }

    // `integer` is what the integer buffer reads when the statement leaves it alone.
    void Clear(std::int32_t integer)
    {
        integer_ = integer;
        text_[0] = '\0';
        indicator_ = 0;
    }

    // The text buffer up to its NUL; never beyond the buffer.
    std::string_view TextValue(std::int32_t capacity) const
    {
        const char* text = text_.get();
        const void* end = std::memchr(text, '\0', static_cast<std::size_t>(capacity));
        return {text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                          : static_cast<std::size_t>(capacity)};
    }

private:
    std::int32_t integer_ = 0;
    std::unique_ptr<char[]> text_;
    std::int16_t indicator_ = 0;
};

// The first line of an error text: what one line of the log can name.
std::string_view firstLine(std::string_view text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

// Reads one poll's messages off the cursor and hands their lines to the sink.
//
// The simple and typed reads run the statements of the protocol. When one of
// them fails for a reason in the message, the session's buffer still holds
// the rest of that message: it is shown item by item, as Auto Unpack shows
// it, through a block whose variables hold any item. An item that a failed
// unpack took with it (ORA-06502) cannot be read again; one line names the
// error in its place.
class PollRun {
public:
    // The settings are taken as they are when the poll starts.
    PollRun(PollCursor& cursor, TraceSettings settings, LineSink& sink)
        : cursor_(cursor), settings_(std::move(settings)), sink_(sink)
    {
    }

    // Returns how many messages it received.
    int drainPipe()
    {
        int received = 0;
        while (receiveMessage()) {
            ++received;
            if (settings_.m_bAutoUnpack)
                readTypedMessage();
            else
                readSimpleMessage();
        }
        if (appended_)
            sink_.endOfPoll();
        return received;
    }

private:
    // A status the database did not set ends the loop like a time-out.
    static constexpr std::int32_t kNoStatus = -1;
    static constexpr std::int32_t kNoItem = 0;

    bool receiveMessage()
    {
        cursor_.SetStatement(receiveStatement(settings_.m_strPipeName));
        bindInteger(kStatusBind);
        buffers_.Clear(kNoStatus);
        cursor_.Execute(true);
        return *buffers_.Integer() == 0;
    }

    void readSimpleMessage()
    {
        cursor_.SetStatement(std::string(kLengthUnpackStatement));
        bindInteger(kLengthBind);
        buffers_.Clear(0);
        if (!executeOnMessage()) {
            showRestOfMessage({});
            return;
        }
        // The length read as the line Auto Unpack would show for it.
        std::string lengthLine(itemLinePrefix(6));
        lengthLine += '\'';
        if (*buffers_.Indicator() != -1)
            lengthLine += std::to_string(*buffers_.Integer());
        lengthLine += '\'';

        cursor_.SetStatement(std::string(kTextUnpackStatement));
        cursor_.Bind(kTextBind, buffers_.Text(), kTextBufferSize, kTypeString,
                     buffers_.Indicator());
        buffers_.Clear(0);
        if (!executeOnMessage()) {
            showRestOfMessage(lengthLine);
            return;
        }
        AppendLine(buffers_.TextValue(kTextBufferSize));
    }

    void readTypedMessage()
    {
        AppendLine("MESSAGE:");
        for (;;) {
            cursor_.SetStatement(std::string(kItemBlock));
            bindItemOutputs(kItemValueBufferSize);
            if (!executeOnMessage()) {
                showRemainingItems();
                return;
            }
            if (!appendItem(kItemValueBufferSize))
                return;
        }
    }

    // After a simple read failed: the message as Auto Unpack shows it, from
    // what was read already to its last item.
    void showRestOfMessage(std::string_view lineRead)
    {
        AppendLine("MESSAGE:");
        if (!lineRead.empty())
            AppendLine(lineRead);
        showRemainingItems();
    }

    // The items still in the buffer after a read failed on the message.
    void showRemainingItems()
    {
        if (failureCode_ == kValueError)
            appendNotShown();
        for (;;) {
            cursor_.SetStatement(std::string(kLongItemBlock));
            bindItemOutputs(kLongItemValueBufferSize);
            // Where even this block fails, nothing says which item comes next.
            if (!executeOnMessage()) {
                appendNotShown();
                return;
            }
            if (!appendItem(kLongItemValueBufferSize))
                return;
        }
    }

    void bindItemOutputs(std::int32_t valueCapacity)
    {
        bindInteger(kItemTypeBind);
        cursor_.Bind(kItemValueBind, buffers_.Text(), valueCapacity, kTypeString,
                     buffers_.Indicator());
        buffers_.Clear(kNoItem);
    }

    // Shows the item a block has just read; false when the message ends here.
    bool appendItem(std::int32_t valueCapacity)
    {
        const std::int32_t typeCode = *buffers_.Integer();
        if (typeCode == kNoItem) {
            AppendLine("");
            return false;
        }
        const std::string_view prefix = itemLinePrefix(typeCode);
        if (prefix.empty()) {
            // The block leaves such an item on the message, so reading on
            // would meet it forever; the next receive replaces the buffer.
            AppendLine("UNKNOWN ITEM TYPE " + std::to_string(typeCode) + ": not shown");
            return false;
        }
        line_.assign(prefix);
        line_ += '\'';
        line_ += buffers_.TextValue(valueCapacity);
        line_ += '\'';
        AppendLine(line_);
        return true;
    }

    // Runs the statement set up last. A failure that lies in the message
    // returns false and is kept for the line that names it; any other ends in
    // the error report.
    bool executeOnMessage()
    {
        if (cursor_.Execute(false))
            return true;
        failureCode_ = cursor_.ErrorCode();
        if (!isMessageError(failureCode_))
            cursor_.ReportError();
        failureText_.assign(firstLine(cursor_.ErrorText()));
        return false;
    }

    void appendNotShown()
    {
        line_.assign(kNotShown);
        line_ += failureText_;
        AppendLine(line_);
    }

    void bindInteger(const char* name)
    {
        cursor_.Bind(name, buffers_.Integer(), sizeof(std::int32_t), kTypeInteger,
                     buffers_.Indicator());
    }

    void AppendLine(std::string_view line)
    {
        // line_ may be the argument itself; compose into a second string.
        composed_.assign(line);
        if (settings_.m_bLFFlag)
            composed_ += "\r\n";
        sink_.AppendLine(composed_);
        appended_ = true;
    }

    PollCursor& cursor_;
    const TraceSettings settings_;
    LineSink& sink_;
    PollBuffers buffers_;
    std::string line_;
    std::string composed_;
    int failureCode_ = 0;
    std::string failureText_;
    bool appended_ = false;
};

} // namespace

PipePoller::PipePoller(OciSession& session, LineSink& sink) : session_(session), sink_(sink) {}

int PipePoller::PollPipe()
{
    if (settings_.m_strPipeName.empty())
        return 0;
    OciCursor cursor(session_);
    OciPollCursor pollCursor(cursor);
    return PollPipe(pollCursor);
}

int PipePoller::PollPipe(PollCursor& cursor)
{
    // Oracle refuses an empty pipe name, and the session would end on it.
    if (settings_.m_strPipeName.empty())
        return 0;
    return PollRun(cursor, settings_, sink_).drainPipe();
}
