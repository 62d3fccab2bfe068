#include "SendCommand.h"

#include "base/Text.h"
#include "db/ErrorReport.h"
#include "db/Oci.h"
#include "db/OciCursor.h"
#include "db/PgSession.h"

#include <array>

#include <cerrno>
#include <cstdint>
#include <optional>

#include <poll.h>
#include <unistd.h>

namespace vexmoor::cli {

namespace {

using db::oci::kTypeString;

// The report that ends the process gets one more line.
void addToFatalReport(const std::string& line)
{
    db::FatalErrorHandler previous = db::setFatalErrorHandler({});
    db::setFatalErrorHandler(
        [previous, line](const std::string& report) { previous(report + "\n" + line); });
}

// Sends one message; a failure ends in the fatal report.
class MessageSender {
public:
    virtual ~MessageSender() = default;
    virtual void send(std::string text) = 0;
};

class OciMessageSender final : public MessageSender {
public:
    OciMessageSender(db::OciSession& session, std::string pipe, bool trace)
        : cursor_(session), statement_(sendStatement(trace)), pipe_(std::move(pipe))
    {
    }

    void send(std::string text) override
    {
        cursor_.SetStatement(statement_);
        // The engine reads at most the given length; the NUL is inside it.
        cursor_.Bind(":message", text.data(), static_cast<std::int32_t>(text.size() + 1),
                     kTypeString, &messageIndicator_);
        cursor_.Bind(":pipe", pipe_.data(), static_cast<std::int32_t>(pipe_.size() + 1),
                     kTypeString, &pipeIndicator_);
        messageIndicator_ = 0;
        pipeIndicator_ = 0;
        if (cursor_.Execute(false))
            return;
        if (const auto hint = missingProcedureHint(cursor_.ErrorText()))
            addToFatalReport(*hint);
        cursor_.ReportError();
    }

private:
    db::OciCursor cursor_;
    std::string statement_;
    std::string pipe_;
    std::int16_t messageIndicator_ = 0;
    std::int16_t pipeIndicator_ = 0;
};

class PgMessageSender final : public MessageSender {
public:
    PgMessageSender(db::PgSession& session, std::string pipe, bool trace)
        : session_(session), statement_(postgresSendStatement(trace)), pipe_(std::move(pipe))
    {
    }

    void send(std::string text) override
    {
        const std::array<std::optional<std::string_view>, 2> parameters{text, pipe_};
        session_.executeOrReport("PQexecParams", statement_, parameters);
    }

private:
    db::PgSession& session_;
    std::string statement_;
    std::string pipe_;
};

// Reads the input in chunks, waiting in short steps so that a stop is seen
// while no line comes.
class InputReader {
public:
    InputReader(std::FILE* input, const std::function<bool()>& stopRequested)
        : fd_(::fileno(input)), stopRequested_(stopRequested)
    {
    }

    // The next byte; nothing at the end of the input or once stopped.
    std::optional<char> next()
    {
        if (next_ == end_ && !fill())
            return std::nullopt;
        return buffer_[next_++];
    }

private:
    static constexpr int kWaitStepMs = 100;

    bool fill()
    {
        for (;;) {
            if (stopRequested_())
                return false;
            pollfd waiting{fd_, POLLIN, 0};
            const int ready = ::poll(&waiting, 1, kWaitStepMs);
            if (ready == 0 || (ready < 0 && errno == EINTR))
                continue;
            const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            next_ = 0;
            end_ = static_cast<std::size_t>(got);
            return true;
        }
    }

    int fd_;
    const std::function<bool()>& stopRequested_;
    char buffer_[4096];
    std::size_t next_ = 0;
    std::size_t end_ = 0;
};

// A line the placeholder cannot carry whole: it would end at the NUL.
bool sendLine(MessageSender& sender, const std::string& line, long number)
{
    if (line.find('\0') != std::string::npos) {
        std::fprintf(stderr,
                     "vexmoor-cli: line %ld of standard input holds a NUL byte; it was not sent\n",
                     number);
        return false;
    }
    sender.send(line);
    return true;
}

// One message per line; a CR before the line feed belongs to the line end.
bool sendLines(MessageSender& sender, std::FILE* input, const std::function<bool()>& stopRequested)
{
    InputReader reader(input, stopRequested);
    std::string line;
    long number = 1;
    bool allSent = true;
    for (std::optional<char> c = reader.next();; c = reader.next()) {
        if (!c) {
            if (!line.empty() && !stopRequested())
                allSent = sendLine(sender, line, number) && allSent;
            return allSent;
        }
        if (*c != '\n') {
            line += *c;
            continue;
        }
        if (stopRequested())
            return allSent;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        allSent = sendLine(sender, line, number++) && allSent;
        line.clear();
    }
}

} // namespace

std::optional<std::string> missingProcedureHint(std::string_view errorText)
{
    // "PLS-00201: identifier 'SENDDEBUGMESSAGE' must be declared", on a line
    // of its own among the ORA-06550 lines.
    for (std::size_t start = 0; start < errorText.size();) {
        const std::size_t end = std::min(errorText.find('\n', start), errorText.size());
        const std::string line = base::upperText(errorText.substr(start, end - start));
        if (line.find("PLS-00201") != std::string::npos
            && (line.find("SENDDEBUGMESSAGE") != std::string::npos
                || line.find("SENDTRACEMESSAGE") != std::string::npos))
            return "vexmoor-cli: run 'vexmoor-cli install' (or Options > Generate Procedures in "
                   "Vexmoor) first: it creates SendDebugMessage and SendTraceMessage";
        start = end + 1;
    }
    return std::nullopt;
}

std::string sendStatement(bool trace)
{
    return trace ? "begin SendTraceMessage(:message, :pipe); end;"
                 : "begin SendDebugMessage(:message, :pipe); end;";
}

std::string postgresSendStatement(bool trace)
{
    return trace ? "call SendTraceMessage($1, $2)" : "call SendDebugMessage($1, $2)";
}

namespace {

bool sendAll(MessageSender& sender, const std::vector<std::string>& texts, std::FILE* input,
             const std::function<bool()>& stopRequested)
{
    bool allSent = true;
    for (const std::string& text : texts) {
        if (stopRequested())
            break;
        if (text == "-")
            allSent = sendLines(sender, input, stopRequested) && allSent;
        else
            sender.send(text);
    }
    return allSent;
}

} // namespace

bool runSend(db::OciSession& session, const std::vector<std::string>& texts,
             const std::string& pipe, bool trace, std::FILE* input,
             const std::function<bool()>& stopRequested)
{
    OciMessageSender sender(session, pipe, trace);
    return sendAll(sender, texts, input, stopRequested);
}

bool runSend(db::PgSession& session, const std::vector<std::string>& texts, const std::string& pipe,
             bool trace, std::FILE* input, const std::function<bool()>& stopRequested)
{
    PgMessageSender sender(session, pipe, trace);
    return sendAll(sender, texts, input, stopRequested);
}

} // namespace vexmoor::cli
