#include "SendCommand.h"

#include "db/OciCursor.h"

#include <cstdint>

namespace {

constexpr std::int32_t kStringType = 5;

class MessageSender {
public:
    MessageSender(OciSession& session, std::string pipe, bool trace)
        : m_cursor(session), m_statement(SendStatement(trace)), m_pipe(std::move(pipe))
    {
    }

    void Send(std::string text)
    {
        m_cursor.SetStatement(m_statement);
        // The engine reads at most the given length; the NUL is inside it.
        m_cursor.Bind(":message", text.data(), static_cast<std::int32_t>(text.size() + 1), kStringType,
                      &m_messageIndicator);
        m_cursor.Bind(":pipe", m_pipe.data(), static_cast<std::int32_t>(m_pipe.size() + 1), kStringType,
                      &m_pipeIndicator);
        m_messageIndicator = 0;
        m_pipeIndicator = 0;
        m_cursor.Execute(true);
    }

private:
    OciCursor m_cursor;
    std::string m_statement;
    std::string m_pipe;
    std::int16_t m_messageIndicator = 0;
    std::int16_t m_pipeIndicator = 0;
};

// One message per line; a CR before the line feed belongs to the line end.
void SendLines(MessageSender& sender, std::FILE* input)
{
    std::string line;
    for (int c = std::fgetc(input);; c = std::fgetc(input)) {
        if (c == EOF) {
            if (!line.empty())
                sender.Send(line);
            return;
        }
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        sender.Send(line);
        line.clear();
    }
}

} // namespace

std::string SendStatement(bool trace)
{
    return trace ? "begin SendTraceMessage(:message, :pipe); end;"
                 : "begin SendDebugMessage(:message, :pipe); end;";
}

void RunSend(OciSession& session, const std::vector<std::string>& texts, const std::string& pipe,
             bool trace, std::FILE* input)
{
    MessageSender sender(session, pipe, trace);
    for (const std::string& text : texts) {
        if (text == "-")
            SendLines(sender, input);
        else
            sender.Send(text);
    }
}
