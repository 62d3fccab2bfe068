// One session sends, another polls, both on one embedded database file.

#include "support/EmbeddedTraceDatabase.h"

#include "options/ProcedureInstaller.h"
#include "trace/PipePoller.h"
#include "trace/PipePurge.h"
#include "trace/PipeStatements.h"

#include <gtest/gtest.h>

namespace vexmoor::trace {

using namespace vexmoor::test;

namespace {

// Passes every call to a real cursor and keeps the statement texts.
class RecordingCursor final : public PollCursor {
public:
    explicit RecordingCursor(db::OciSession& session) : cursor_(session) {}
    void SetStatement(const std::string& statement) override
    {
        statements.push_back(statement);
        cursor_.SetStatement(statement);
    }
    void Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
              std::int16_t* indicator) override
    {
        cursor_.Bind(name, buffer, length, type, indicator);
    }
    bool Execute(bool report) override { return cursor_.Execute(report); }
    int ErrorCode() const override { return cursor_.returnCode(); }
    std::string ErrorText() const override { return cursor_.ErrorText(); }
    [[noreturn]] void ReportError() override { cursor_.ReportError(); }

    std::vector<std::string> statements;

private:
    db::OciCursor cursor_;
};

class PipeTracing : public ::testing::Test {
protected:
    PipeTracing() : sender(*sendingSession), poller(*pollingSession, sink) {}

    std::vector<std::string> Poll()
    {
        sink.lines.clear();
        poller.PollPipe();
        return sink.lines;
    }

    EmbeddedTraceDatabase database;
    std::unique_ptr<db::OciSession> sendingSession = database.LogOn();
    std::unique_ptr<db::OciSession> pollingSession = database.LogOn();
    StatementRunner sender;
    RecordingSink sink;
    PipePoller poller;
};

} // namespace

TEST_F(PipeTracing, OnePollReadsEveryWaitingMessageInPipeOrder)
{
    sender.SendSimple("first");
    sender.SendSimple("second");
    sender.SendSimple("third");
    EXPECT_EQ(Poll(), (std::vector<std::string>{"first\r\n", "second\r\n", "third\r\n"}));
    EXPECT_EQ(sink.endsOfPoll, 1);
    EXPECT_TRUE(Poll().empty());
    EXPECT_EQ(sink.endsOfPoll, 1);
}

TEST_F(PipeTracing, WithoutLfFlagLinesAreJoined)
{
    poller.Settings().m_bLFFlag = false;
    sender.SendSimple("ab");
    sender.SendSimple("cd");
    EXPECT_EQ(Poll(), (std::vector<std::string>{"ab", "cd"}));
    EXPECT_EQ(sink.Joined(), "abcd");

    poller.Settings().m_bAutoUnpack = true;
    sender.SendSimple("x");
    EXPECT_EQ(sink.Joined(), "abcd");
    Poll();
    EXPECT_EQ(sink.Joined(), "MESSAGE:NUMBER:\t'1'VARCHAR2:\t'x'");
}

TEST_F(PipeTracing, AutoUnpackShowsSendDebugMessageItemByItem)
{
    options::installProcedures(*sendingSession);
    sender.Run("begin SendDebugMessage('abc'); end;");
    poller.Settings().m_bAutoUnpack = true;
    EXPECT_EQ(Poll(), (std::vector<std::string>{"MESSAGE:\r\n", "NUMBER:\t'3'\r\n",
                                                "VARCHAR2:\t'abc'\r\n", "\r\n"}));
}

TEST_F(PipeTracing, AutoUnpackShowsNumberDateAndRaw)
{
    sender.Run("declare status integer; begin "
               "dbms_pipe.pack_message(42.5); "
               "dbms_pipe.pack_message(TO_DATE('2024-03-05 10:11:12', 'YYYY-MM-DD HH24:MI:SS')); "
               "dbms_pipe.pack_message_raw(HEXTORAW('0A0B0C')); "
               "status := dbms_pipe.send_message('vexmoor'); end;");
    poller.Settings().m_bAutoUnpack = true;
    // The date in the polling session's default format.
    EXPECT_EQ(Poll(),
              (std::vector<std::string>{"MESSAGE:\r\n", "NUMBER:\t'42.5'\r\n",
                                        "DATE:\t'05-MAR-24'\r\n", "RAW:\t'UNKNOWN'\r\n", "\r\n"}));
}

TEST_F(PipeTracing, EmptyPipeCostsOneReceiveAndNoUnpack)
{
    RecordingCursor empty(*pollingSession);
    poller.PollPipe(empty);
    EXPECT_EQ(empty.statements, (std::vector<std::string>{receiveStatement("vexmoor")}));
    EXPECT_TRUE(sink.lines.empty());
    EXPECT_EQ(sink.endsOfPoll, 0);

    sender.SendSimple("one");
    RecordingCursor oneMessage(*pollingSession);
    poller.PollPipe(oneMessage);
    EXPECT_EQ(
        oneMessage.statements,
        (std::vector<std::string>{receiveStatement("vexmoor"), std::string(kLengthUnpackStatement),
                                  std::string(kTextUnpackStatement), receiveStatement("vexmoor")}));
}

TEST_F(PipeTracing, NullTextShowsAsAnEmptyLine)
{
    sender.SendSimple("before");
    sender.SendSimple("");
    sender.SendSimple("after");
    EXPECT_EQ(Poll(), (std::vector<std::string>{"before\r\n", "\r\n", "after\r\n"}));

    poller.Settings().m_bAutoUnpack = true;
    sender.SendSimple("before");
    sender.SendSimple("");
    EXPECT_EQ(Poll(), (std::vector<std::string>{"MESSAGE:\r\n", "NUMBER:\t'6'\r\n",
                                                "VARCHAR2:\t'before'\r\n", "\r\n", "MESSAGE:\r\n",
                                                "NUMBER:\t''\r\n", "VARCHAR2:\t''\r\n", "\r\n"}));
}

TEST_F(PipeTracing, PipeNameWithAQuoteNamesThatPipe)
{
    sender.SendSimple("for o'brien", "o'brien");
    sender.SendSimple("for o", "o");
    poller.Settings().m_strPipeName = "o'brien";
    EXPECT_EQ(Poll(), (std::vector<std::string>{"for o'brien\r\n"}));

    sender.SendSimple("again", "o'brien");
    purgePipe(*pollingSession, "o'brien");
    EXPECT_TRUE(Poll().empty());
    poller.Settings().m_strPipeName = "o";
    EXPECT_EQ(Poll(), (std::vector<std::string>{"for o\r\n"}));
}

TEST_F(PipeTracing, PurgeThrowsAwayWaitingMessagesOnly)
{
    purgePipe(*pollingSession, "vexmoor"); // an empty pipe: silent
    sender.SendSimple("gone 1");
    sender.SendSimple("gone 2");
    sender.SendSimple("elsewhere", "other");
    purgePipe(*pollingSession, "vexmoor");
    EXPECT_TRUE(Poll().empty());

    sender.SendSimple("after purge");
    EXPECT_EQ(Poll(), (std::vector<std::string>{"after purge\r\n"}));
    poller.Settings().m_strPipeName = "other";
    EXPECT_EQ(Poll(), (std::vector<std::string>{"elsewhere\r\n"}));
}

TEST_F(PipeTracing, ChangedPipeNameReadsTheNewPipeOnly)
{
    poller.Settings().m_strPipeName = "alpha";
    sender.SendSimple("alpha 1", "alpha");
    sender.SendSimple("beta 1", "beta");
    EXPECT_EQ(Poll(), (std::vector<std::string>{"alpha 1\r\n"}));

    poller.Settings().m_strPipeName = "beta";
    sender.SendSimple("alpha 2", "alpha");
    EXPECT_EQ(Poll(), (std::vector<std::string>{"beta 1\r\n"}));
    EXPECT_TRUE(Poll().empty());

    poller.Settings().m_strPipeName = "alpha";
    EXPECT_EQ(Poll(), (std::vector<std::string>{"alpha 2\r\n"}));
}

TEST_F(PipeTracing, SendTraceMessageCarriesTheSendersDate)
{
    options::installProcedures(*sendingSession);
    sender.Run("alter session set nls_date_format = 'YYYY'");
    sender.Run("begin SendTraceMessage(:m); end;", {{":m", "abc"}});
    const std::vector<std::string> lines = Poll();
    ASSERT_EQ(lines.size(), 1u);
    // The year in the sender's format, whatever year the test runs in.
    EXPECT_TRUE(std::string_view(lines[0]).ends_with(": abc\r\n")) << lines[0];
    EXPECT_EQ(lines[0].size(), std::string("2024: abc\r\n").size()) << lines[0];
}

// Texts of a given length whose bytes show where a cut would fall.
std::string Text(std::size_t length)
{
    std::string text;
    for (std::size_t i = 0; text.size() < length; ++i)
        text += std::to_string(i % 10);
    return text;
}

// Whatever stored code puts on the pipe, the message shows as far as it can be
// read and the next message still arrives.
TEST_F(PipeTracing, MessagesTheSettingCannotReadShowItemByItemAndTracingGoesOn)
{
    const std::string tooLong = "MESSAGE NOT SHOWN: ORA-06502: PL/SQL: numeric or value error: "
                                "character string buffer too small";
    struct Case {
        const char* name;
        bool autoUnpack;
        std::string packing; // may use the text :t
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases{
        {"typed message with Auto Unpack off",
         false,
         "dbms_pipe.pack_message('x');",
         "",
         {"MESSAGE:", "VARCHAR2:\t'x'", ""}},
        {"3,000-byte text",
         false,
         "dbms_pipe.pack_message(LENGTH(:t)); dbms_pipe.pack_message(:t);",
         Text(3000),
         {Text(3000)}},
        {"text as long as the buffer carries",
         false,
         "dbms_pipe.pack_message(LENGTH(:t)); dbms_pipe.pack_message(:t);",
         Text(4070),
         {Text(4070)}},
        {"RAW and ROWID where the text belongs",
         false,
         "dbms_pipe.pack_message(2); dbms_pipe.pack_message_raw(HEXTORAW('0A0B')); "
         "dbms_pipe.pack_message_rowid('AAAB'); dbms_pipe.pack_message('z');",
         "",
         {"MESSAGE:", "NUMBER:\t'2'", "RAW:\t'UNKNOWN'", "ROWID:\t'UNKNOWN'", "VARCHAR2:\t'z'",
          ""}},
        {"number without its text",
         false,
         "dbms_pipe.pack_message(5);",
         "",
         {"MESSAGE:", "NUMBER:\t'5'", ""}},
        {"no item at all", false, "null;", "", {"MESSAGE:", ""}},
        {"text too long for the item block",
         true,
         "dbms_pipe.pack_message(1); dbms_pipe.pack_message(:t); dbms_pipe.pack_message(2);",
         Text(3000),
         {"MESSAGE:", "NUMBER:\t'1'", tooLong, "NUMBER:\t'2'", ""}},
        {"long texts after the one the block could not take",
         true,
         "dbms_pipe.pack_message(:t); dbms_pipe.pack_message(SUBSTR(:t, 1, 2005));",
         Text(2010),
         {"MESSAGE:", tooLong, "VARCHAR2:\t'" + Text(2005) + "'", ""}},
    };
    poller.Settings().m_bLFFlag = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string block = "declare status integer; begin " + c.packing
                                  + " status := dbms_pipe.send_message('vexmoor'); end;";
        if (c.text.empty())
            sender.Run(block);
        else
            sender.Run(block, {{":t", c.text}});
        sender.SendSimple("next");
        poller.Settings().m_bAutoUnpack = c.autoUnpack;
        std::vector<std::string> expected = c.lines;
        if (c.autoUnpack)
            expected.insert(expected.end(), {"MESSAGE:", "NUMBER:\t'4'", "VARCHAR2:\t'next'", ""});
        else
            expected.push_back("next");
        EXPECT_EQ(Poll(), expected);
    }
}

} // namespace vexmoor::trace
