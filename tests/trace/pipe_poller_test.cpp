// The poller's reading rules against a scripted cursor that plays the
// database's part: what it does with status, item types and NULL values that
// the embedded engine cannot produce on demand.

#include "support/EmbeddedTraceDatabase.h"

#include "trace/PipePoller.h"
#include "trace/PipeStatements.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <optional>

namespace vexmoor::trace {

using namespace vexmoor::test;

namespace {

struct Item {
    int type;
    std::optional<std::string> value; // nothing: the database hands back NULL
    // Reading the item fails with this Oracle error: ORA-06559 in the simple
    // reads only (the blocks ask for its type), ORA-06502 everywhere but in
    // the block for long items, and takes the item; any other everywhere.
    int failure = 0;
};

// What the scripted cursor throws where the real one shows the report.
struct ReportedError {
    int code;
};
using Message = std::vector<Item>;

struct BindRecord {
    std::string name;
    std::int32_t length;
    std::int32_t type;
};

class ScriptedCursor final : public PollCursor {
public:
    explicit ScriptedCursor(std::deque<Message> pipe) : pipe_(std::move(pipe)) {}

    void SetStatement(const std::string& statement) override
    {
        statements.push_back(statement);
        binds_.clear();
    }
    void Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
              std::int16_t*) override
    {
        binds.push_back({name, length, type});
        binds_[name] = {buffer, length};
    }
    bool Execute(bool report) override
    {
        const std::string& statement = statements.back();
        if (statement.starts_with("begin :sta := dbms_pipe.receive_message")) {
            EXPECT_TRUE(report);
            Receive();
            return true;
        }
        if (Fails(statement)) {
            if (report)
                ReportError();
            return false;
        }
        if (statement == kLengthUnpackStatement)
            NextItem(":len");
        else if (statement == kTextUnpackStatement)
            NextItem(":chr");
        else if (statement == kItemBlock || statement == kLongItemBlock)
            ItemBlock();
        else
            ADD_FAILURE() << "unexpected statement " << statement;
        return true;
    }
    int ErrorCode() const override { return failure_; }
    std::string ErrorText() const override
    {
        return "ORA-" + std::to_string(100000 + failure_).substr(1)
               + ": scripted\nORA-06512: at line 1";
    }
    [[noreturn]] void ReportError() override { throw ReportedError{failure_}; }

    std::vector<std::string> statements;
    std::vector<BindRecord> binds;

private:
    struct Buffer {
        void* data;
        std::int32_t length;
    };

    void WriteInteger(const char* name, std::int32_t value)
    {
        ASSERT_EQ(binds_.count(name), 1u) << name;
        std::memcpy(binds_[name].data, &value, sizeof value);
    }
    // A NULL leaves the buffer as it was, as the database does.
    void WriteText(const char* name, const std::optional<std::string>& value)
    {
        ASSERT_EQ(binds_.count(name), 1u) << name;
        if (!value)
            return;
        ASSERT_LT(value->size(), static_cast<std::size_t>(binds_[name].length));
        std::memcpy(binds_[name].data, value->c_str(), value->size() + 1);
    }

    bool Fails(const std::string& statement)
    {
        if (current_.empty() || current_.front().failure == 0)
            return false;
        failure_ = current_.front().failure;
        const bool block = statement == kItemBlock || statement == kLongItemBlock;
        if ((failure_ == 6559 && block) || (failure_ == 6502 && statement == kLongItemBlock))
            return false;
        if (failure_ == 6502)
            current_.pop_front();
        return true;
    }

    void Receive()
    {
        if (pipe_.empty()) {
            WriteInteger(":sta", 1);
            return;
        }
        current_ = std::deque<Item>(pipe_.front().begin(), pipe_.front().end());
        pipe_.pop_front();
        WriteInteger(":sta", 0);
    }
    void NextItem(const char* name)
    {
        ASSERT_FALSE(current_.empty());
        const Item item = current_.front();
        current_.pop_front();
        if (std::string(name) == ":len")
            WriteInteger(name, item.value ? std::stoi(*item.value) : 0);
        else
            WriteText(name, item.value);
    }
    // An unknown type stays on the message, as in the real block.
    void ItemBlock()
    {
        if (current_.empty()) {
            WriteInteger(":v_typ", 0);
            WriteText(":v_res", std::string());
            return;
        }
        const Item item = current_.front();
        WriteInteger(":v_typ", item.type);
        if (itemLinePrefix(item.type).empty())
            return;
        current_.pop_front();
        WriteText(":v_res", item.value);
    }

    std::deque<Message> pipe_;
    std::deque<Item> current_;
    int failure_ = 0;
    std::map<std::string, Buffer> binds_;
};

Message Simple(std::optional<std::string> text)
{
    std::optional<std::string> length;
    if (text)
        length = std::to_string(text->size());
    return {{6, length}, {9, std::move(text)}};
}

// The poller needs a session only for the cursor it opens itself; these
// tests hand it their own cursor.
db::OciSession& UnusedSession()
{
    static db::OciSession session;
    return session;
}

} // namespace

TEST(PipePollerReading, OneMessageTakesReceiveUnpackUnpackThenAFinalReceive)
{
    ScriptedCursor cursor({Simple("abc")});
    RecordingSink sink;
    PipePoller poller(UnusedSession(), sink);
    poller.Settings().m_strPipeName = "p'q";
    poller.PollPipe(cursor);

    const std::string receive = "begin :sta := dbms_pipe.receive_message('p''q', 0); end;";
    EXPECT_EQ(cursor.statements,
              (std::vector<std::string>{receive, std::string(kLengthUnpackStatement),
                                        std::string(kTextUnpackStatement), receive}));
    ASSERT_EQ(cursor.binds.size(), 4u);
    EXPECT_EQ(cursor.binds[0].name, ":sta");
    EXPECT_EQ(cursor.binds[0].length, 4);
    EXPECT_EQ(cursor.binds[0].type, 3);
    EXPECT_EQ(cursor.binds[1].name, ":len");
    EXPECT_EQ(cursor.binds[1].length, 4);
    EXPECT_EQ(cursor.binds[1].type, 3);
    EXPECT_EQ(cursor.binds[2].name, ":chr");
    EXPECT_EQ(cursor.binds[2].length, 32768)
        << "the longest text a pipe message carries, and its NUL";
    EXPECT_EQ(cursor.binds[2].type, 5);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"abc\r\n"}));
    EXPECT_EQ(sink.endsOfPoll, 1);
}

TEST(PipePollerReading, EmptyPipeCostsOneReceiveAndShowsNothing)
{
    ScriptedCursor cursor({});
    RecordingSink sink;
    PipePoller poller(UnusedSession(), sink);
    poller.Settings().m_bAutoUnpack = true;
    poller.PollPipe(cursor);
    EXPECT_EQ(cursor.statements.size(), 1u);
    EXPECT_TRUE(sink.lines.empty());
    EXPECT_EQ(sink.endsOfPoll, 0);
}

TEST(PipePollerReading, NullNeverShowsTheTextBefore)
{
    ScriptedCursor simple({Simple("first"), Simple(std::nullopt), Simple("third")});
    RecordingSink simpleSink;
    PipePoller simplePoller(UnusedSession(), simpleSink);
    simplePoller.PollPipe(simple);
    EXPECT_EQ(simpleSink.lines, (std::vector<std::string>{"first\r\n", "\r\n", "third\r\n"}));

    ScriptedCursor typed({{{9, "kept"}, {9, std::nullopt}, {6, std::nullopt}}});
    RecordingSink typedSink;
    PipePoller typedPoller(UnusedSession(), typedSink);
    typedPoller.Settings().m_bAutoUnpack = true;
    typedPoller.PollPipe(typed);
    EXPECT_EQ(typedSink.lines,
              (std::vector<std::string>{"MESSAGE:\r\n", "VARCHAR2:\t'kept'\r\n",
                                        "VARCHAR2:\t''\r\n", "NUMBER:\t''\r\n", "\r\n"}));
}

TEST(PipePollerReading, UnknownItemTypeShowsOneLineAndEndsItsMessage)
{
    ScriptedCursor cursor({{{6, "1"}, {7, std::nullopt}, {9, "never read"}}, Simple("next")});
    RecordingSink sink;
    PipePoller poller(UnusedSession(), sink);
    poller.Settings().m_bAutoUnpack = true;
    poller.PollPipe(cursor);
    EXPECT_EQ(sink.lines,
              (std::vector<std::string>{"MESSAGE:\r\n", "NUMBER:\t'1'\r\n",
                                        "UNKNOWN ITEM TYPE 7: not shown\r\n", "MESSAGE:\r\n",
                                        "NUMBER:\t'4'\r\n", "VARCHAR2:\t'next'\r\n", "\r\n"}));
    EXPECT_EQ(sink.endsOfPoll, 1);
}

TEST(PipePollerReading, ItemBlockBindsTypeAndValue)
{
    ScriptedCursor cursor({{{23, "UNKNOWN"}}});
    RecordingSink sink;
    PipePoller poller(UnusedSession(), sink);
    poller.Settings().m_bAutoUnpack = true;
    poller.Settings().m_bLFFlag = false;
    poller.PollPipe(cursor);
    ASSERT_GE(cursor.binds.size(), 3u);
    EXPECT_EQ(cursor.statements[1], kItemBlock);
    EXPECT_EQ(cursor.binds[1].name, ":v_typ");
    EXPECT_EQ(cursor.binds[1].length, 4);
    EXPECT_EQ(cursor.binds[1].type, 3);
    EXPECT_EQ(cursor.binds[2].name, ":v_res");
    EXPECT_EQ(cursor.binds[2].length, 30000);
    EXPECT_EQ(cursor.binds[2].type, 5);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"MESSAGE:", "RAW:\t'UNKNOWN'", ""}));
}

// Reading a message that fails in the message goes on item by item; the
// session's own errors still end in the report.
TEST(PipePollerReading, MessageErrorsShowTheRestAndSessionErrorsStayFatal)
{
    struct Case {
        const char* name;
        bool autoUnpack;
        Message message;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"item of another type",
         false,
         {{6, "2"}, {12, "05-MAR-24", 6559}, {6, "3"}},
         {"MESSAGE:", "NUMBER:\t'2'", "DATE:\t'05-MAR-24'", "NUMBER:\t'3'", ""}},
        {"taken by the failure",
         false,
         {{6, "5"}, {9, "long", 6502}, {9, "after"}},
         {"MESSAGE:", "NUMBER:\t'5'", "MESSAGE NOT SHOWN: ORA-06502: scripted",
          "VARCHAR2:\t'after'", ""}},
        {"too long for the item block",
         true,
         {{6, "1"}, {9, "long text", 6502}, {6, "2"}},
         {"MESSAGE:", "NUMBER:\t'1'", "MESSAGE NOT SHOWN: ORA-06502: scripted", "NUMBER:\t'2'",
          ""}},
        {"unreadable even item by item",
         false,
         {{9, "x", 6556}, {6, "1"}},
         {"MESSAGE:", "MESSAGE NOT SHOWN: ORA-06556: scripted"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedCursor cursor({c.message, Simple("next")});
        RecordingSink sink;
        PipePoller poller(UnusedSession(), sink);
        poller.Settings().m_bAutoUnpack = c.autoUnpack;
        poller.Settings().m_bLFFlag = false;
        poller.PollPipe(cursor);
        std::vector<std::string> expected = c.lines;
        if (c.autoUnpack)
            expected.insert(expected.end(), {"MESSAGE:", "NUMBER:\t'4'", "VARCHAR2:\t'next'", ""});
        else
            expected.push_back("next");
        EXPECT_EQ(sink.lines, expected);
    }

    ScriptedCursor lost({{{6, "1", 3114}}, Simple("never")});
    RecordingSink sink;
    PipePoller poller(UnusedSession(), sink);
    try {
        poller.PollPipe(lost);
        ADD_FAILURE() << "a lost connection must end in the report";
    } catch (const ReportedError& reported) {
        EXPECT_EQ(reported.code, 3114);
    }
}

TEST(PipePollerReading, WithoutAPipeNameNothingIsPolled)
{
    ScriptedCursor cursor({Simple("waiting")});
    RecordingSink sink;
    PipePoller poller(UnusedSession(), sink);
    poller.Settings().m_strPipeName.clear();
    poller.PollPipe(cursor);
    poller.PollPipe();
    EXPECT_TRUE(cursor.statements.empty());
    EXPECT_TRUE(sink.lines.empty());
}

} // namespace vexmoor::trace
