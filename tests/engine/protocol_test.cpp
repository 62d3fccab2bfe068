// The statements the trace console and its installer send, run unchanged
// against the engine, between two sessions on one database file.
#include "EngineSession.h"
#include "ProtocolTexts.h"

#include "engine/Catalog.h"
#include "engine/PipeStore.h"

namespace vexmoor::engine {

namespace {

class Protocol : public EngineTest {
protected:
    void install(Session& session, std::vector<int>* codes = nullptr)
    {
        for (const std::string_view statement : protocol::kInstallStatements) {
            int code = 0;
            try {
                run(session, std::string(statement));
            } catch (const OraError& error) {
                code = error.code();
            }
            if (codes)
                codes->push_back(code);
        }
    }

    int receive(Session& session, const std::string& pipe = "vexmoor")
    {
        IntegerBind status;
        status.value = -99;
        auto statement = session.prepare(protocol::receiveStatement(pipe));
        statement->bind(":sta", status.buffer());
        statement->execute();
        return status.value;
    }

    std::pair<std::int32_t, std::string> unpackSimple(Session& session)
    {
        IntegerBind length;
        auto first = session.prepare(std::string(protocol::kLengthUnpack));
        first->bind(":len", length.buffer());
        first->execute();
        StringBind text(2000);
        auto second = session.prepare(std::string(protocol::kTextUnpack));
        second->bind(":chr", text.buffer());
        second->execute();
        return {length.value, text.text()};
    }

    struct Item {
        int type;
        std::optional<std::string> value;
    };

    Item nextItem(Session& session)
    {
        IntegerBind type;
        StringBind value(30000);
        auto statement = session.prepare(std::string(protocol::kItemBlock));
        statement->bind(":v_typ", type.buffer());
        statement->bind(":v_res", value.buffer());
        statement->execute();
        return Item{type.value,
                    value.isNull() ? std::nullopt : std::optional<std::string>(value.text())};
    }

    std::int64_t waiting(const std::string& pipe = "vexmoor")
    {
        return database->pipes().messageCount(pipe);
    }
};

TEST_F(Protocol, DebugMessageTravelsFromSenderToReceiver)
{
    auto receiver = logOn();
    std::vector<int> codes;
    install(*receiver, &codes);
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, 0}));

    auto sender = logOn();
    run(*sender, "begin SendDebugMessage('abc'); end;");

    EXPECT_EQ(receive(*receiver), 0);
    const auto [length, text] = unpackSimple(*receiver);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(receive(*receiver), 1);
}

TEST_F(Protocol, MessageTextFromABindVariable)
{
    auto session = logOn();
    install(*session);
    auto send = session->prepare("begin SendDebugMessage(:m); end;");
    for (const char* text : {"first", "second"}) {
        StringBind message(100, text);
        send->bind(":m", message.buffer());
        send->execute();
    }
    ASSERT_EQ(receive(*session), 0);
    EXPECT_EQ(unpackSimple(*session).second, "first");
    ASSERT_EQ(receive(*session), 0);
    EXPECT_EQ(unpackSimple(*session), (std::pair<std::int32_t, std::string>{6, "second"}));
}

TEST_F(Protocol, MessagesArriveInSendOrderAndAnotherUserCallsThroughTheSynonym)
{
    auto owner = logOn();
    install(*owner);
    auto admin = logOn("system", "manager");
    run(*admin, "create user tracer identified by secret");
    auto tracer = logOn("TRACER", "secret");
    for (const char* text : {"one", "two", "three"})
        run(*tracer, std::string("begin SendDebugMessage('") + text + "'); end;");
    for (const char* text : {"one", "two", "three"}) {
        ASSERT_EQ(receive(*owner), 0);
        EXPECT_EQ(unpackSimple(*owner).second, text);
    }
    EXPECT_EQ(receive(*owner), 1);
}

TEST_F(Protocol, ItemBlockTakesEveryKindOfItemApart)
{
    auto receiver = logOn();
    auto sender = logOn();
    run(*sender, "alter session set nls_date_format = 'YYYY-MM-DD HH24:MI:SS'");
    run(*sender, "declare s integer; begin dbms_pipe.pack_message(42.5); "
                 "dbms_pipe.pack_message('some text'); "
                 "dbms_pipe.pack_message(to_date('2026-12-07 14:05:09', 'YYYY-MM-DD HH24:MI:SS')); "
                 "dbms_pipe.pack_message_raw(hextoraw('DEADBEEF')); "
                 "dbms_pipe.pack_message_rowid('AAAAB0AABAAAAOhAAA'); "
                 "s := dbms_pipe.send_message('vexmoor'); end;");

    ASSERT_EQ(receive(*receiver), 0) << "received";
    const std::vector<std::pair<int, std::string>> expected{
        {6, "42.5"}, {9, "some text"}, {12, "07-DEC-26"}, {23, "UNKNOWN"}, {11, "UNKNOWN"}};
    for (const auto& [type, text] : expected) {
        const Item item = nextItem(*receiver);
        EXPECT_EQ(item.type, type);
        EXPECT_EQ(item.value, text);
    }
    const Item end = nextItem(*receiver);
    EXPECT_EQ(end.type, 0);
    EXPECT_EQ(end.value, std::nullopt);
}

TEST_F(Protocol, SimpleMessageReadAsItems)
{
    auto session = logOn();
    install(*session);
    run(*session, "begin SendDebugMessage('abc'); end;");
    ASSERT_EQ(receive(*session), 0);
    const Item length = nextItem(*session);
    EXPECT_EQ(length.type, 6);
    EXPECT_EQ(length.value, "3");
    const Item text = nextItem(*session);
    EXPECT_EQ(text.type, 9);
    EXPECT_EQ(text.value, "abc");
    EXPECT_EQ(nextItem(*session).type, 0);
}

TEST_F(Protocol, EmptyMessageSendsNullLengthAndNullText)
{
    auto session = logOn();
    install(*session);
    run(*session, "begin SendDebugMessage(''); end;");
    ASSERT_EQ(receive(*session), 0);
    IntegerBind length;
    length.value = 77;
    auto first = session->prepare(std::string(protocol::kLengthUnpack));
    first->bind("len", length.buffer());
    first->execute();
    EXPECT_TRUE(length.isNull());
    EXPECT_EQ(length.value, 77); // a NULL leaves the buffer alone
}

TEST_F(Protocol, TraceMessageCarriesTheSendersDateFormat)
{
    setClock(2026, 12, 7, 14, 5, 9);
    auto receiver = logOn();
    install(*receiver);
    auto sender = logOn();
    run(*receiver, "alter session set nls_date_format = 'YYYY'");
    run(*sender, "begin SendTraceMessage('abc'); end;");
    run(*sender, "alter session set nls_date_format = 'DD.MM.YYYY HH24:MI:SS'");
    run(*sender, "begin SendTraceMessage('def', 'other'); end;");

    ASSERT_EQ(receive(*receiver), 0);
    EXPECT_EQ(unpackSimple(*receiver).second, "07-DEC-26: abc");
    ASSERT_EQ(receive(*receiver, "other"), 0);
    const auto [length, text] = unpackSimple(*receiver);
    EXPECT_EQ(text, "07.12.2026 14:05:09: def");
    EXPECT_EQ(length, static_cast<std::int32_t>(text.size()));
}

TEST_F(Protocol, TooLongTraceMessageFailsBeforeAnythingIsSent)
{
    auto session = logOn();
    install(*session);
    const OraError error =
        failure(*session, "begin SendTraceMessage('" + std::string(1995, 'x') + "'); end;");
    EXPECT_EQ(error.code(), 6502);
    EXPECT_EQ(error.message(),
              "ORA-06502: PL/SQL: numeric or value error: character string buffer too small\n"
              "ORA-06512: at \"VEXMOOR.SENDTRACEMESSAGE\", line 4\n"
              "ORA-06512: at line 1");
    EXPECT_EQ(waiting(), 0);
    EXPECT_EQ(receive(*session), 1);
    // The same text minus what the date adds fits.
    run(*session, "begin SendTraceMessage('" + std::string(2000 - 11, 'x') + "'); end;");
    EXPECT_EQ(waiting(), 1);
}

TEST_F(Protocol, SecondInstallReplacesProceduresAndRefusesSynonyms)
{
    auto session = logOn();
    install(*session);
    run(*session, "begin SendDebugMessage('before'); end;");
    std::vector<int> codes;
    install(*session, &codes);
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 955, 955}));
    run(*session, "begin SendDebugMessage('after'); end;");
    EXPECT_EQ(waiting(), 2);
}

TEST_F(Protocol, UserWithoutSynonymPrivilegeGetsProceduresInOwnSchema)
{
    auto admin = logOn("system", "manager");
    run(*admin, "create user scott identified by tiger");
    run(*admin, "grant execute on dbms_pipe to scott");
    run(*admin, "grant create procedure to scott");
    auto scott = logOn("scott", "tiger");
    std::vector<int> codes;
    install(*scott, &codes);
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 1031, 1031}));
    EXPECT_TRUE(database->catalog().findProcedure({"SCOTT", "SENDDEBUGMESSAGE"}));
    EXPECT_FALSE(database->catalog().findSynonym({"PUBLIC", "SENDDEBUGMESSAGE"}));
    run(*scott, "begin SendDebugMessage('from scott'); end;");
    auto receiver = logOn();
    ASSERT_EQ(receive(*receiver), 0);
    EXPECT_EQ(unpackSimple(*receiver).second, "from scott");
}

TEST_F(Protocol, PurgeEmptiesThePipeAndSucceedsOnAnEmptyOne)
{
    auto session = logOn();
    install(*session);
    for (int i = 0; i < 3; ++i)
        run(*session, "begin SendDebugMessage('m'); end;");
    EXPECT_EQ(waiting(), 3);
    run(*session, protocol::purgeStatement("vexmoor"));
    EXPECT_EQ(waiting(), 0);
    EXPECT_EQ(receive(*session), 1);
    EXPECT_NO_THROW(run(*session, protocol::purgeStatement("vexmoor")));
}

TEST_F(Protocol, PipeNameWithQuoteFailsToCompileWithOffsetInsideText)
{
    auto session = logOn();
    const std::string text = protocol::receiveStatement("o'brien");
    IntegerBind status;
    auto statement = session->prepare(text);
    statement->bind(":sta", status.buffer());
    try {
        statement->execute();
        FAIL() << "compiled";
    } catch (const OraError& error) {
        EXPECT_EQ(error.code(), 6550);
        EXPECT_NE(error.message().find("PLS-00103: Encountered the symbol"), std::string::npos);
        EXPECT_GT(error.parseOffset(), 0U);
        EXPECT_LT(error.parseOffset(), text.size());
        EXPECT_EQ(text.substr(error.parseOffset(), 6), "brien'");
    }
    const OraError purge = failure(*session, protocol::purgeStatement("o'brien"));
    EXPECT_EQ(purge.code(), 6550);
}

TEST_F(Protocol, DebugErrorWhenThePipeStaysFull)
{
    auto session = logOn();
    install(*session);
    // Fill the pipe so that the next send cannot get in; the procedure's
    // send waits for the default time-out, so use a pipe of our own with a
    // procedure that sends without waiting.
    run(*session, "create or replace procedure SendNoWait(m in varchar2) as\n"
                  "\tstatus\tnumber;\n"
                  "begin\n"
                  "\tdbms_pipe.pack_message(m);\n"
                  "\tstatus := dbms_pipe.send_message('full', 0, 100);\n"
                  "\tif status != 0 then\n"
                  "\t\traise_application_error(-20099, 'Debug error');\n"
                  "\tend if;\n"
                  "end SendNoWait;\n");
    const std::string big(90, 'x');
    run(*session, "begin SendNoWait('" + big + "'); end;");
    const OraError error = failure(*session, "begin\n  SendNoWait('" + big + "');\nend;");
    EXPECT_EQ(error.code(), 20099);
    EXPECT_EQ(error.message(), "ORA-20099: Debug error\n"
                               "ORA-06512: at \"VEXMOOR.SENDNOWAIT\", line 7\n"
                               "ORA-06512: at line 2");
    EXPECT_EQ(waiting("full"), 1);
}

} // namespace

} // namespace vexmoor::engine
