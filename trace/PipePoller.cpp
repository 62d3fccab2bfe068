#include "PipePoller.h"

#include "LineSink.h"
#include "PipeStatements.h"

#include "db/OciCursor.h"

#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

namespace {

constexpr std::int32_t kIntegerType = 3;
constexpr std::int32_t kStringType = 5;

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

private:
    OciCursor& m_cursor;
};

// The output variables of one poll. The database leaves a buffer alone when
// it hands back NULL, so every buffer is cleared before each execute: a NULL
// then reads as empty text instead of the previous message's.
class PollBuffers {
public:
    PollBuffers() : m_text(std::make_unique_for_overwrite<char[]>(kItemValueBufferSize)) {}

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

// Reads one poll's messages off the cursor and hands their lines to the sink.
class PollRun {
public:
    // The settings are taken as they are when the poll starts.
    PollRun(PollCursor& cursor, TraceSettings settings, LineSink& sink)
        : m_cursor(cursor), m_settings(std::move(settings)), m_sink(sink)
    {
    }

    void DrainPipe()
    {
        while (ReceiveMessage()) {
            if (m_settings.m_bAutoUnpack)
                ReadTypedMessage();
            else
                ReadSimpleMessage();
        }
        if (m_bAppended)
            m_sink.EndOfPoll();
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
        m_cursor.Execute(true);

        m_cursor.SetStatement(std::string(kTextUnpackStatement));
        m_cursor.Bind(kTextBind, m_buffers.Text(), kTextBufferSize, kStringType,
                      m_buffers.Indicator());
        m_buffers.Clear(0);
        m_cursor.Execute(true);
        AppendLine(m_buffers.TextValue(kTextBufferSize));
    }

    void ReadTypedMessage()
    {
        AppendLine("MESSAGE:");
        for (;;) {
            m_cursor.SetStatement(std::string(kItemBlock));
            BindInteger(kItemTypeBind);
            m_cursor.Bind(kItemValueBind, m_buffers.Text(), kItemValueBufferSize, kStringType,
                          m_buffers.Indicator());
            m_buffers.Clear(kNoItem);
            m_cursor.Execute(true);

            const std::int32_t typeCode = *m_buffers.Integer();
            if (typeCode == kNoItem) {
                AppendLine("");
                return;
            }
            const std::string_view prefix = ItemLinePrefix(typeCode);
            if (prefix.empty()) {
                // The block leaves such an item on the message, so reading on
                // would meet it forever; the next receive replaces the buffer.
                AppendLine("UNKNOWN ITEM TYPE " + std::to_string(typeCode) + ": not shown");
                return;
            }
            m_line.assign(prefix);
            m_line += '\'';
            m_line += m_buffers.TextValue(kItemValueBufferSize);
            m_line += '\'';
            AppendLine(m_line);
        }
    }

    void BindInteger(const char* name)
    {
        m_cursor.Bind(name, m_buffers.Integer(), sizeof(std::int32_t), kIntegerType,
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
    bool m_bAppended = false;
};

} // namespace

PipePoller::PipePoller(OciSession& session, LineSink& sink) : m_session(session), m_sink(sink) {}

void PipePoller::PollPipe()
{
    OciCursor cursor(m_session);
    OciPollCursor pollCursor(cursor);
    PollPipe(pollCursor);
}

void PipePoller::PollPipe(PollCursor& cursor)
{
    PollRun(cursor, m_settings, m_sink).DrainPipe();
}
