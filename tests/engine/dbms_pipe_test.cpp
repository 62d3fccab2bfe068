// The dbms_pipe package as PL/SQL code sees it.
#include "EngineSession.h"

#include "engine/PipeStore.h"

namespace vexmoor::engine {

namespace {

class DbmsPipe : public EngineTest {
protected:
    std::unique_ptr<Session> sender = logOn();
    std::unique_ptr<Session> receiver = logOn();

    void send(const std::string& packing, const std::string& pipe = "p")
    {
        EXPECT_EQ(value(*sender, "begin " + packing + " :r := dbms_pipe.send_message('" + pipe
                                     + "', 0); end;"),
                  "0");
    }
    std::optional<std::string> receive(const std::string& pipe = "p")
    {
        return value(*receiver, "begin :r := dbms_pipe.receive_message('" + pipe + "', 0); end;");
    }
};

TEST_F(DbmsPipe, ItemsKeepTheirTypesAndValues)
{
    setClock(2026, 12, 7, 23, 59, 58);
    send("dbms_pipe.pack_message(-1.25); dbms_pipe.pack_message(sysdate); "
         "dbms_pipe.pack_message('t'); "
         "dbms_pipe.pack_message_raw(hextoraw('00FF')); dbms_pipe.pack_message_rowid('AAAB');");
    ASSERT_EQ(receive(), "0");
    const auto result = value(
        *receiver,
        "declare n number; d date; t varchar2(10); r raw(10); w rowid; s varchar2(200); begin "
        "s := dbms_pipe.next_item_type; dbms_pipe.unpack_message(n); "
        "s := s || ',' || dbms_pipe.next_item_type; dbms_pipe.unpack_message(d); "
        "s := s || ',' || dbms_pipe.next_item_type; dbms_pipe.unpack_message(t); "
        "s := s || ',' || dbms_pipe.next_item_type; dbms_pipe.unpack_message_raw(r); "
        "s := s || ',' || dbms_pipe.next_item_type; dbms_pipe.unpack_message_rowid(w); "
        "s := s || ',' || dbms_pipe.next_item_type; "
        ":r := s || ' ' || n || ' ' || to_char(d, 'YYYY-MM-DD HH24:MI:SS') || ' ' || t || ' ' "
        "|| rawtohex(r) || ' ' || w; end;");
    EXPECT_EQ(result, "6,12,9,23,11,0 -1.25 2026-12-07 23:59:58 t 00FF AAAB");
}

TEST_F(DbmsPipe, NullsKeepTheirDeclaredType)
{
    send("declare n number; d date; begin dbms_pipe.pack_message(n); dbms_pipe.pack_message(d); "
         "dbms_pipe.pack_message(''); end;");
    ASSERT_EQ(receive(), "0");
    EXPECT_EQ(value(*receiver,
                    "declare n number := 1; d date; t varchar2(5) := 'x'; s varchar2(20); begin "
                    "s := dbms_pipe.next_item_type; dbms_pipe.unpack_message(n); "
                    "s := s || dbms_pipe.next_item_type; dbms_pipe.unpack_message(d); "
                    "s := s || dbms_pipe.next_item_type; dbms_pipe.unpack_message(t); "
                    ":r := s || nvl(to_char(n), 'N') || nvl(t, 'N'); end;"),
              "6129NN");
}

TEST_F(DbmsPipe, TextTooLongForTheTargetIsAValueError)
{
    send("dbms_pipe.pack_message('abcdef');");
    ASSERT_EQ(receive(), "0");
    EXPECT_EQ(
        failure(*receiver, "declare t varchar2(3); begin dbms_pipe.unpack_message(t); end;").code(),
        6502);
}

// What the trace reader relies on when an unpack fails: a wrong type is
// refused before anything is taken, a text too long for its target is taken
// with the failure, and with no item left nothing changes.
TEST_F(DbmsPipe, FailedUnpackLeavesTheItemUnlessItWasTaken)
{
    struct Case {
        const char* failing;
        int code;
        const char* nextTypeAfter;
    };
    const Case cases[] = {
        {"declare n number; begin dbms_pipe.unpack_message(n); end;", 6559, "9"},
        {"declare t varchar2(3); begin dbms_pipe.unpack_message(t); end;", 6502, "6"},
        {"declare r raw(10); begin dbms_pipe.unpack_message_raw(r); end;", 6559, "9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        send("dbms_pipe.pack_message('abcdef'); dbms_pipe.pack_message(7);");
        ASSERT_EQ(receive(), "0");
        EXPECT_EQ(failure(*receiver, c.failing).code(), c.code);
        EXPECT_EQ(value(*receiver, "begin :r := dbms_pipe.next_item_type; end;"), c.nextTypeAfter);
    }
    send("dbms_pipe.pack_message(7);");
    ASSERT_EQ(receive(), "0");
    run(*receiver, "declare n number; begin dbms_pipe.unpack_message(n); end;");
    EXPECT_EQ(
        failure(*receiver, "declare n number; begin dbms_pipe.unpack_message(n); end;").code(),
        6556);
    EXPECT_EQ(value(*receiver, "begin :r := dbms_pipe.next_item_type; end;"), "0");
}

TEST_F(DbmsPipe, ReceiveOnAnEmptyPipeTimesOutAtOnce)
{
    EXPECT_EQ(receive("nothing"), "1");
    EXPECT_EQ(
        value(*receiver,
              "begin :r := dbms_pipe.receive_message(timeout => 0, pipename => 'nothing'); end;"),
        "1");
}

TEST_F(DbmsPipe, PipeNamesAreCaseInsensitive)
{
    send("dbms_pipe.pack_message('x');", "MixedCase");
    EXPECT_EQ(receive("mixedcase"), "0");
}

TEST_F(DbmsPipe, SendReturnsOneWhenThePipeStaysFull)
{
    const std::string item = std::string(500, 'y');
    EXPECT_EQ(value(*sender, "begin dbms_pipe.pack_message('" + item
                                 + "'); :r := dbms_pipe.send_message('small', 0, 600); end;"),
              "0");
    EXPECT_EQ(value(*sender, "begin dbms_pipe.pack_message('" + item
                                 + "'); :r := dbms_pipe.send_message('small', 0, 600); end;"),
              "1");
    EXPECT_EQ(database->pipes().messageCount("small"), 1);
}

TEST_F(DbmsPipe, PurgeCreateRemoveAndReset)
{
    EXPECT_EQ(value(*sender, "begin :r := dbms_pipe.create_pipe('made'); end;"), "0");
    send("dbms_pipe.pack_message(1);", "made");
    EXPECT_EQ(value(*sender, "begin :r := dbms_pipe.create_pipe('made', 8192, false); end;"), "0");
    EXPECT_EQ(database->pipes().messageCount("made"), 1);
    run(*sender, "begin dbms_pipe.purge('made'); end;");
    EXPECT_EQ(database->pipes().messageCount("made"), 0);
    EXPECT_EQ(value(*sender, "begin :r := dbms_pipe.remove_pipe('made'); end;"), "0");
    EXPECT_EQ(value(*sender, "begin :r := dbms_pipe.remove_pipe('never'); end;"), "0");

    // reset_buffer throws away what was packed.
    run(*sender, "begin dbms_pipe.pack_message('dropped'); dbms_pipe.reset_buffer; end;");
    send("dbms_pipe.pack_message('kept');");
    ASSERT_EQ(receive(), "0");
    EXPECT_EQ(value(*receiver, "declare t varchar2(20); begin dbms_pipe.unpack_message(t); :r := t "
                               "|| dbms_pipe.next_item_type; end;"),
              "kept0");
}

TEST_F(DbmsPipe, PackedItemsStayInTheBufferBetweenStatements)
{
    run(*sender, "begin dbms_pipe.pack_message('first'); end;");
    run(*sender, "begin dbms_pipe.pack_message('second'); end;");
    send("");
    ASSERT_EQ(receive(), "0");
    EXPECT_EQ(value(*receiver,
                    "declare a varchar2(10); b varchar2(10); begin dbms_pipe.unpack_message(a); "
                    "dbms_pipe.unpack_message(b); :r := a || b; end;"),
              "firstsecond");
}

TEST_F(DbmsPipe, UniqueSessionNameIsStableAndDistinct)
{
    const auto first = eval(*sender, "dbms_pipe.unique_session_name");
    ASSERT_TRUE(first);
    EXPECT_LE(first->size(), 30U);
    EXPECT_EQ(eval(*sender, "dbms_pipe.unique_session_name"), first);
    EXPECT_NE(eval(*receiver, "dbms_pipe.unique_session_name"), first);
}

TEST_F(DbmsPipe, NullPipeNameIsRefused)
{
    EXPECT_EQ(
        failure(*sender, "declare s integer; begin s := dbms_pipe.send_message(null); end;").code(),
        23321);
}

TEST_F(DbmsPipe, SysQualifiedNameWorksToo)
{
    send("sys.dbms_pipe.pack_message('q');");
    EXPECT_EQ(receive(), "0");
}

} // namespace

namespace {

// A second user next to the fixture's VEXMOOR, allowed dbms_pipe.
class PrivatePipes : public EngineTest {
protected:
    std::unique_ptr<Session> admin = logOn("system", "manager");
    bool made = (run(*admin, "create user scott identified by tiger"),
                 run(*admin, "grant execute on dbms_pipe to scott"), true);
    std::unique_ptr<Session> owner = logOn();
    std::unique_ptr<Session> other = logOn("scott", "tiger");

    // The status a call returns, or the error it raises.
    static std::string outcome(Session& session, const std::string& call)
    {
        try {
            return value(session,
                         "begin dbms_pipe.pack_message('m'); " + call + " :r := 'ok'; end;")
                .value_or("");
        } catch (const OraError& error) {
            return firstLine(error.message());
        }
    }
};

struct PipeCall {
    const char* name;
    const char* text; // %s: the pipe
};

constexpr PipeCall kPipeCalls[] = {
    {"send", ":r := dbms_pipe.send_message('%s', 0);"},
    {"receive", ":r := dbms_pipe.receive_message('%s', 0);"},
    {"purge", "dbms_pipe.purge('%s');"},
    {"remove", ":r := dbms_pipe.remove_pipe('%s');"},
};

std::string callOn(const PipeCall& call, const std::string& pipe)
{
    std::string text = call.text;
    return text.replace(text.find("%s"), 2, pipe);
}

TEST_F(PrivatePipes, OnlyTheOwnerAndSystemUseAPrivatePipe)
{
    EXPECT_EQ(value(*owner, "begin :r := dbms_pipe.create_pipe('secret'); end;"), "0");
    EXPECT_EQ(outcome(*owner, ":r := dbms_pipe.send_message('secret', 0);"), "ok");
    for (const PipeCall& call : kPipeCalls) {
        SCOPED_TRACE(call.name);
        EXPECT_EQ(outcome(*other, callOn(call, "secret")),
                  "ORA-23322: Privilege error accessing pipe");
        EXPECT_EQ(outcome(*other, callOn(call, "SECRET")),
                  "ORA-23322: Privilege error accessing pipe");
    }
    EXPECT_EQ(database->pipes().messageCount("secret"), 1) << "the refused calls changed nothing";
    EXPECT_EQ(outcome(*other, ":r := dbms_pipe.create_pipe('secret', 8192, false);"),
              "ORA-23322: Privilege error accessing pipe");

    // SYSTEM may use every pipe; the owner keeps using it afterwards.
    EXPECT_EQ(value(*admin, "begin :r := dbms_pipe.receive_message('secret', 0); end;"), "0");
    EXPECT_EQ(outcome(*owner, ":r := dbms_pipe.send_message('secret', 0);"), "ok");
    EXPECT_EQ(value(*owner, "begin :r := dbms_pipe.receive_message('secret', 0); end;"), "0");
    EXPECT_EQ(value(*owner, "begin :r := dbms_pipe.remove_pipe('secret'); end;"), "0");

    // Once removed, the name is free: the other user's pipe now.
    EXPECT_EQ(outcome(*other, ":r := dbms_pipe.send_message('secret', 0);"), "ok");
    // SYS, the engine's own name, which every pipe admits, is no account.
    EXPECT_EQ(failure(*admin, "create user sys identified by x").code(), 1920);
}

TEST_F(PrivatePipes, PublicAndImplicitPipesAreOpenToEveryone)
{
    EXPECT_EQ(value(*owner, "begin :r := dbms_pipe.create_pipe('open', 8192, false); end;"), "0");
    for (const char* pipe : {"open", "implicit"}) {
        EXPECT_EQ(outcome(*owner, std::string(":r := dbms_pipe.send_message('") + pipe + "', 0);"),
                  "ok");
        for (const PipeCall& call : kPipeCalls) {
            SCOPED_TRACE(std::string(pipe) + " " + call.name);
            EXPECT_EQ(outcome(*other, callOn(call, pipe)), "ok");
        }
    }
    EXPECT_EQ(database->pipes().messageCount("open"), 0);
}

TEST_F(PrivatePipes, APipeInUseCannotBeTakenPrivate)
{
    // Taken private, the messages others sent would become theirs no more.
    EXPECT_EQ(outcome(*other, ":r := dbms_pipe.send_message('shared', 0);"), "ok");
    EXPECT_EQ(outcome(*owner, ":r := dbms_pipe.create_pipe('shared');"),
              "ORA-23322: Privilege error accessing pipe");
    EXPECT_EQ(value(*other, "begin :r := dbms_pipe.receive_message('shared', 0); end;"), "0");
    EXPECT_EQ(outcome(*owner, ":r := dbms_pipe.create_pipe('shared');"), "ok")
        << "empty, the name is free";
    EXPECT_EQ(outcome(*other, ":r := dbms_pipe.send_message('shared', 0);"),
              "ORA-23322: Privilege error accessing pipe");
}

TEST_F(PrivatePipes, AWaitingReceiverIsRefusedOnceThePipeTurnsPrivate)
{
    // The receiver's answer about the pipe is remembered between polls, and
    // must be dropped when the pipe's privacy changes.
    EXPECT_EQ(value(*other, "begin :r := dbms_pipe.receive_message('later', 0); end;"), "1");
    EXPECT_EQ(value(*owner, "begin :r := dbms_pipe.create_pipe('later'); end;"), "0");
    EXPECT_EQ(outcome(*other, ":r := dbms_pipe.receive_message('later', 0);"),
              "ORA-23322: Privilege error accessing pipe");
    EXPECT_EQ(outcome(*owner, ":r := dbms_pipe.send_message('later', 0);"), "ok");
    EXPECT_EQ(outcome(*other, ":r := dbms_pipe.receive_message('later', 0);"),
              "ORA-23322: Privilege error accessing pipe");
    EXPECT_EQ(database->pipes().messageCount("later"), 1);
    EXPECT_EQ(value(*owner, "begin :r := dbms_pipe.remove_pipe('later'); end;"), "0");
    EXPECT_EQ(value(*other, "begin :r := dbms_pipe.receive_message('later', 0); end;"), "1")
        << "a free name again";
}

} // namespace

} // namespace vexmoor::engine
