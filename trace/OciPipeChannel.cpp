#include "OciPipeChannel.h"

#include "PipeStatements.h"

#include "db/Oci.h"
#include "db/OciCursor.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vexmoor::trace {

namespace {

using db::oci::kTypeInteger;
using db::oci::kTypeString;
constexpr int kLengthTypeCode = 6; // a NUMBER, as the length line shows it

// The errors of an unpack whose cause lies in the message, and what each
// leaves in the session's buffer (as the engine does, and as Oracle
// documents for the type check).
constexpr int kValueError = 6502;    // the item was taken; its target is too small
constexpr int kNoItemLeft = 6556;    // nothing was left to take
constexpr int kWrongItemType = 6559; // the type is checked before anything is taken

// Whether a failed read lies in the message rather than the session.
bool isMessageError(int oracleCode)
{
    return oracleCode == kValueError || oracleCode == kNoItemLeft || oracleCode == kWrongItemType;
}

// The first line of an error text: what one line of the log can name.
std::string_view firstLine(std::string_view text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

class OciPollCursor final : public PollCursor {
public:
    explicit OciPollCursor(db::OciCursor& cursor) : cursor_(cursor) {}
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
    db::OciCursor& cursor_;
};

// The output variables of one poll. The database leaves a buffer alone when
// it hands back NULL, so every buffer is cleared before each execute: a NULL
// then reads as empty text instead of the previous message's.
class PollBuffers {
public:
    static constexpr std::int32_t kTextCapacity =
        std::max({kTextBufferSize, kItemValueBufferSize, kLongItemValueBufferSize});

    PollBuffers() : text_(std::make_unique_for_overwrite<char[]>(kTextCapacity)) {}

    std::int32_t* integer() { return &integer_; }
    char* text() { return text_.get(); }
    std::int16_t* indicator() { return &indicator_; }

    // `integer` is what the integer buffer reads when the statement leaves it alone.
    void clear(std::int32_t integer)
    {
        integer_ = integer;
        text_[0] = '\0';
        indicator_ = 0;
    }

    // The text buffer up to its NUL; never beyond the buffer.
    std::string_view textValue(std::int32_t capacity) const
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

// The protocol's statements on a cursor. A statement that fails for a reason
// in the message returns false; any other failure ends in the error report.
class OciPipeReader final : public PipeReader {
public:
    explicit OciPipeReader(PollCursor& cursor) : cursor_(cursor) {}

    bool receiveMessage(std::string_view pipeName) override
    {
        cursor_.SetStatement(receiveStatementFor(pipeName));
        bindInteger(kStatusBind);
        // A status the database did not set ends the loop like a time-out.
        buffers_.clear(kNoStatus);
        cursor_.Execute(true);
        return *buffers_.integer() == 0;
    }

    bool readLength(PipeItem& item) override
    {
        static const std::string statement(kLengthUnpackStatement);
        cursor_.SetStatement(statement);
        bindInteger(kLengthBind);
        buffers_.clear(0);
        if (!executeOnMessage())
            return false;
        length_.clear();
        if (*buffers_.indicator() != -1)
            length_ = std::to_string(*buffers_.integer());
        item = {kLengthTypeCode, itemLinePrefix(kLengthTypeCode), length_};
        return true;
    }

    bool readText(std::string_view& text) override
    {
        static const std::string statement(kTextUnpackStatement);
        cursor_.SetStatement(statement);
        cursor_.Bind(kTextBind, buffers_.text(), kTextBufferSize, kTypeString,
                     buffers_.indicator());
        buffers_.clear(0);
        if (!executeOnMessage())
            return false;
        text = buffers_.textValue(kTextBufferSize);
        return true;
    }

    bool readItem(bool afterFailure, PipeItem& item) override
    {
        const std::int32_t capacity =
            afterFailure ? kLongItemValueBufferSize : kItemValueBufferSize;
        static const std::string block(kItemBlock);
        static const std::string longBlock(kLongItemBlock);
        cursor_.SetStatement(afterFailure ? longBlock : block);
        bindInteger(kItemTypeBind);
        cursor_.Bind(kItemValueBind, buffers_.text(), capacity, kTypeString, buffers_.indicator());
        buffers_.clear(0);
        if (!executeOnMessage())
            return false;
        const int typeCode = *buffers_.integer();
        item = {typeCode, itemLinePrefix(typeCode), buffers_.textValue(capacity)};
        return true;
    }

    const MessageFailure& lastFailure() const override { return failure_; }

private:
    static constexpr std::int32_t kNoStatus = -1;

    bool executeOnMessage()
    {
        if (cursor_.Execute(false))
            return true;
        const int code = cursor_.ErrorCode();
        if (!isMessageError(code))
            cursor_.ReportError();
        failure_.firstLine.assign(firstLine(cursor_.ErrorText()));
        failure_.itemTaken = code == kValueError;
        // The long-item block reads whatever a failed read left behind.
        failure_.restReadable = true;
        return false;
    }

    // A poll runs the same receive text for every message: composed once.
    const std::string& receiveStatementFor(std::string_view pipeName)
    {
        if (receiveText_.empty() || pipeName != receivePipe_) {
            receivePipe_.assign(pipeName);
            receiveText_ = receiveStatement(pipeName);
        }
        return receiveText_;
    }

    void bindInteger(const char* name)
    {
        cursor_.Bind(name, buffers_.integer(), sizeof(std::int32_t), kTypeInteger,
                     buffers_.indicator());
    }

    PollCursor& cursor_;
    PollBuffers buffers_;
    std::string receivePipe_;
    std::string receiveText_;
    std::string length_;
    MessageFailure failure_;
};

// A reader with the cursor of its own poll.
class CursorOwningReader final : public PipeReader {
public:
    explicit CursorOwningReader(db::OciSession& session)
        : cursor_(session), pollCursor_(cursor_), reader_(pollCursor_)
    {
    }
    bool receiveMessage(std::string_view pipeName) override
    {
        return reader_.receiveMessage(pipeName);
    }
    bool readLength(PipeItem& item) override { return reader_.readLength(item); }
    bool readText(std::string_view& text) override { return reader_.readText(text); }
    bool readItem(bool afterFailure, PipeItem& item) override
    {
        return reader_.readItem(afterFailure, item);
    }
    const MessageFailure& lastFailure() const override { return reader_.lastFailure(); }

private:
    db::OciCursor cursor_;
    OciPollCursor pollCursor_;
    OciPipeReader reader_;
};

} // namespace

std::unique_ptr<PipeReader> makeOciPipeReader(PollCursor& cursor)
{
    return std::make_unique<OciPipeReader>(cursor);
}

std::unique_ptr<PipeReader> OciPipeChannel::openReader()
{
    return std::make_unique<CursorOwningReader>(session_);
}

void OciPipeChannel::purge(std::string_view pipeName)
{
    db::OciCursor cursor(session_);
    cursor.SetStatement(purgeStatement(pipeName));
    cursor.Execute(true);
}

std::vector<StatementRefusal> OciPipeChannel::runEach(std::span<const std::string_view> statements)
{
    std::vector<StatementRefusal> refused;
    db::OciCursor cursor(session_);
    for (std::size_t i = 0; i < statements.size(); ++i) {
        cursor.SetStatement(std::string(statements[i]));
        if (!cursor.Execute(false))
            refused.push_back({i, cursor.returnCode(), cursor.ErrorText()});
    }
    return refused;
}

} // namespace vexmoor::trace
