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
bool IsMessageError(int oracleCode)
{
    return oracleCode == kValueError || oracleCode == kNoItemLeft || oracleCode == kWrongItemType;
}

class OciPollCursor final : public PollCursor {
public:
    explicit OciPollCursor(OciCursor& cursor) : m_cursor(cursor) {}
    void SetStatement(const std::string& statement) override { m_cursor.SetStatement(statement); }
    void Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
              std::int16_t* indicator) override
    {
        m_cursor.Bind(name, buffer, length, type, indicator);
    }
    bool Execute(bool report) override { return m_cursor.Execute(report); }
    int ErrorCode() const override { return m_cursor.ReturnCode(); }
    std::string ErrorText() const override { return m_cursor.ErrorText(); }
    [[noreturn]] void ReportError() override { m_cursor.ReportError(); }

private:
    OciCursor& m_cursor;
};

// The output variables of one poll. The database leaves a buffer alone when
// it hands back NULL, so every buffer is cleared before each execute: a NULL
// then reads as empty text instead of the previous message's.
class PollBuffers {
public:
    static constexpr std::int32_t kTextCapacity =
        std::max({kTextBufferSize, kItemValueBufferSize, kLongItemValueBufferSize});

    PollBuffers() : m_text(std::make_unique_for_overwrite<char[]>(kTextCapacity)) {}

    std::int32_t* Integer() { return &m_integer; }
    char* Text() { return m_text.get(); }
    std::int16_t* Indicator() { return &m_indicator; }

    // `integer` is what the integer buffer reads when the statement leaves it alone.
    void Clear(std::int32_t integer)
    {
        m_integer = integer;
        m_text[0] = '\0';
        m_indicator = 0;
    }

    // The text buffer up to its NUL; never beyond the buffer.
    std::string_view TextValue(std::int32_t capacity) const
    {
        const char* text = m_text.get();
        const void* end = std::memchr(text, '\0', static_cast<std::size_t>(capacity));
        return {text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                          : static_cast<std::size_t>(capacity)};
    }

private:
    std::int32_t m_integer = 0;
    std::unique_ptr<char[]> m_text;
    std::int16_t m_indicator = 0;
};

// The first line of an error text: what one line of the log can name.
std::string_view FirstLine(std::string_view text)
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
        : m_cursor(cursor), m_settings(std::move(settings)), m_sink(sink)
    {
    }

    // Returns how many messages it received.
    int DrainPipe()
    {
        int received = 0;
        while (ReceiveMessage()) {
            ++received;
            if (m_settings.m_bAutoUnpack)
                ReadTypedMessage();
            else
                ReadSimpleMessage();
        }
        if (m_bAppended)
            m_sink.EndOfPoll();
        return received;
    }

private:
    // A status the database did not set ends the loop like a time-out.
    static constexpr std::int32_t kNoStatus = -1;
    static constexpr std::int32_t kNoItem = 0;

    bool ReceiveMessage()
    {
        m_cursor.SetStatement(ReceiveStatement(m_settings.m_strPipeName));
        BindInteger(kStatusBind);
        m_buffers.Clear(kNoStatus);
        m_cursor.Execute(true);
        return *m_buffers.Integer() == 0;
    }

    void ReadSimpleMessage()
    {
        m_cursor.SetStatement(std::string(kLengthUnpackStatement));
        BindInteger(kLengthBind);
        m_buffers.Clear(0);
        if (!ExecuteOnMessage()) {
            ShowRestOfMessage({});
            return;
        }
        // The length read as the line Auto Unpack would show for it.
        std::string lengthLine(ItemLinePrefix(6));
        lengthLine += '\'';
        if (*m_buffers.Indicator() != -1)
            lengthLine += std::to_string(*m_buffers.Integer());
        lengthLine += '\'';

        m_cursor.SetStatement(std::string(kTextUnpackStatement));
        m_cursor.Bind(kTextBind, m_buffers.Text(), kTextBufferSize, kTypeString,
                      m_buffers.Indicator());
        m_buffers.Clear(0);
        if (!ExecuteOnMessage()) {
            ShowRestOfMessage(lengthLine);
            return;
        }
        AppendLine(m_buffers.TextValue(kTextBufferSize));
    }

    void ReadTypedMessage()
    {
        AppendLine("MESSAGE:");
        for (;;) {
            m_cursor.SetStatement(std::string(kItemBlock));
            BindItemOutputs(kItemValueBufferSize);
            if (!ExecuteOnMessage()) {
                ShowRemainingItems();
                return;
            }
            if (!AppendItem(kItemValueBufferSize))
                return;
        }
    }

    // After a simple read failed: the message as Auto Unpack shows it, from
    // what was read already to its last item.
    void ShowRestOfMessage(std::string_view lineRead)
    {
        AppendLine("MESSAGE:");
        if (!lineRead.empty())
            AppendLine(lineRead);
        ShowRemainingItems();
    }

    // The items still in the buffer after a read failed on the message.
    void ShowRemainingItems()
    {
        if (m_failureCode == kValueError)
            AppendNotShown();
        for (;;) {
            m_cursor.SetStatement(std::string(kLongItemBlock));
            BindItemOutputs(kLongItemValueBufferSize);
            // Where even this block fails, nothing says which item comes next.
            if (!ExecuteOnMessage()) {
                AppendNotShown();
                return;
            }
            if (!AppendItem(kLongItemValueBufferSize))
                return;
        }
    }

    void BindItemOutputs(std::int32_t valueCapacity)
    {
        BindInteger(kItemTypeBind);
        m_cursor.Bind(kItemValueBind, m_buffers.Text(), valueCapacity, kTypeString,
                      m_buffers.Indicator());
        m_buffers.Clear(kNoItem);
    }

    // Shows the item a block has just read; false when the message ends here.
    bool AppendItem(std::int32_t valueCapacity)
    {
        const std::int32_t typeCode = *m_buffers.Integer();
        if (typeCode == kNoItem) {
            AppendLine("");
            return false;
        }
        const std::string_view prefix = ItemLinePrefix(typeCode);
        if (prefix.empty()) {
            // The block leaves such an item on the message, so reading on
            // would meet it forever; the next receive replaces the buffer.
            AppendLine("UNKNOWN ITEM TYPE " + std::to_string(typeCode) + ": not shown");
            return false;
        }
        m_line.assign(prefix);
        m_line += '\'';
        m_line += m_buffers.TextValue(valueCapacity);
        m_line += '\'';
        AppendLine(m_line);
        return true;
    }

    // Runs the statement set up last. A failure that lies in the message
    // returns false and is kept for the line that names it; any other ends in
    // the error report.
    bool ExecuteOnMessage()
    {
        if (m_cursor.Execute(false))
            return true;
        m_failureCode = m_cursor.ErrorCode();
        if (!IsMessageError(m_failureCode))
            m_cursor.ReportError();
        m_failureText.assign(FirstLine(m_cursor.ErrorText()));
        return false;
    }

    void AppendNotShown()
    {
        m_line.assign(kNotShown);
        m_line += m_failureText;
        AppendLine(m_line);
    }

    void BindInteger(const char* name)
    {
        m_cursor.Bind(name, m_buffers.Integer(), sizeof(std::int32_t), kTypeInteger,
                      m_buffers.Indicator());
    }

    void AppendLine(std::string_view line)
    {
        // m_line may be the argument itself; compose into a second string.
        m_composed.assign(line);
        if (m_settings.m_bLFFlag)
            m_composed += "\r\n";
        m_sink.AppendLine(m_composed);
        m_bAppended = true;
    }

    PollCursor& m_cursor;
    const TraceSettings m_settings;
    LineSink& m_sink;
    PollBuffers m_buffers;
    std::string m_line;
    std::string m_composed;
    int m_failureCode = 0;
    std::string m_failureText;
    bool m_bAppended = false;
};

} // namespace

PipePoller::PipePoller(OciSession& session, LineSink& sink) : m_session(session), m_sink(sink) {}

int PipePoller::PollPipe()
{
    if (m_settings.m_strPipeName.empty())
        return 0;
    OciCursor cursor(m_session);
    OciPollCursor pollCursor(cursor);
    return PollPipe(pollCursor);
}

int PipePoller::PollPipe(PollCursor& cursor)
{
    // Oracle refuses an empty pipe name, and the session would end on it.
    if (m_settings.m_strPipeName.empty())
        return 0;
    return PollRun(cursor, m_settings, m_sink).DrainPipe();
}
