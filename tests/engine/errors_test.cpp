// The errors the trace console and its procedures can meet, with Oracle's
// numbers and texts.
#include "EngineSession.h"
#include "ProtocolTexts.h"

namespace vexmoor::engine {

namespace {

class Errors : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();

    OraError unpackLength()
    {
        IntegerBind length;
        auto statement = session->prepare(std::string(protocol::kLengthUnpack));
        statement->bind(":len", length.buffer());
        try {
            statement->execute();
        } catch (const OraError& error) {
            return error;
        }
        ADD_FAILURE() << "unpacked";
        return OraError(0, "");
    }
};

TEST_F(Errors, BadLogon)
{
    try {
        logOn("vexmoor", "VEXMOOR");
        FAIL();
    } catch (const OraError& error) {
        EXPECT_EQ(error.code(), 1017);
        EXPECT_EQ(error.message(), "ORA-01017: invalid username/password; logon denied");
    }
    EXPECT_THROW(logOn("nobody", "x"), OraError);
    EXPECT_NO_THROW(logOn("VexMoor", "vexmoor"));
}

TEST_F(Errors, WrongDatatypeRequested)
{
    run(*session, "declare s integer; begin dbms_pipe.pack_message('text'); s := "
                  "dbms_pipe.send_message('p'); end;");
    run(*session, "declare s integer; begin s := dbms_pipe.receive_message('p', 0); end;");
    const OraError error = unpackLength();
    EXPECT_EQ(error.code(), 6559);
    EXPECT_EQ(firstLine(error.message()).substr(0, 9), "ORA-06559");
    EXPECT_NE(error.message().find("ORA-06512: at line 1"), std::string::npos);
}

TEST_F(Errors, NothingLeftToUnpack)
{
    const OraError empty = unpackLength();
    EXPECT_EQ(empty.message(), "ORA-06556: the pipe is empty, cannot fulfill the unpack_message "
                               "request\nORA-06512: at line 1");
    run(*session, "declare s integer; begin dbms_pipe.pack_message(1); s := "
                  "dbms_pipe.send_message('p'); end;");
    run(*session, "declare s integer; begin s := dbms_pipe.receive_message('p', 0); end;");
    IntegerBind length;
    auto first = session->prepare(std::string(protocol::kLengthUnpack));
    first->bind(":len", length.buffer());
    first->execute();
    EXPECT_EQ(length.value, 1);
    // Only one item was sent; the second unpack finds nothing.
    EXPECT_EQ(unpackLength().code(), 6556);
}

TEST_F(Errors, BufferFullAfter4096Bytes)
{
    const OraError error = failure(
        *session,
        "begin\n  for i in 1..10 loop\n    dbms_pipe.pack_message(rpad_text);\n  end loop;\nend;");
    EXPECT_EQ(error.code(), 6550); // rpad_text is not declared

    const OraError full =
        failure(*session, "declare t varchar2(1000) := '" + std::string(1000, 'x')
                              + "'; begin\n  for i in 1..10 loop\n    dbms_pipe.pack_message(t);\n"
                                "  end loop;\nend;");
    EXPECT_EQ(full.message(), "ORA-06558: buffer in dbms_pipe package is full. No more items "
                              "allowed\nORA-06512: at line 3");
}

TEST_F(Errors, DbmsPipeNeedsTheExecutePrivilege)
{
    auto admin = logOn("system", "manager");
    run(*admin, "create user plain identified by pw");
    auto plain = logOn("plain", "pw");
    const OraError error = failure(*plain, "begin dbms_pipe.purge('x'); end;");
    EXPECT_EQ(error.message(),
              "ORA-06550: line 1, column 7:\nPLS-00201: identifier 'DBMS_PIPE' must be declared\n"
              "ORA-06550: line 1, column 7:\nPL/SQL: Statement ignored");
    EXPECT_EQ(error.parseOffset(), 6U);
    run(*admin, "grant execute on dbms_pipe to plain");
    EXPECT_NO_THROW(run(*plain, "begin dbms_pipe.purge('x'); end;"));
    run(*admin, "revoke execute on sys.dbms_pipe from plain");
    EXPECT_EQ(failure(*plain, "begin dbms_pipe.purge('x'); end;").code(), 6550);
}

TEST_F(Errors, UnsupportedStatementsAreRefusedClearly)
{
    EXPECT_EQ(failure(*session, "select * from dual").message(),
              "ORA-00900: invalid SQL statement");
    EXPECT_EQ(failure(*session, "").code(), 900);
    EXPECT_EQ(failure(*session, "create index i on t(x)").code(), 901);
    EXPECT_NE(
        failure(*session, "declare cursor c return number is select 1 from dual; begin null; end;")
            .message()
            .find("PLS-00999"),
        std::string::npos);
    EXPECT_EQ(failure(*session, "create public synonym x for y;").code(), 911);
    const OraError merge =
        failure(*session, "declare n number; begin\n  merge into t using u on (1 = 1);\nend;");
    EXPECT_EQ(merge.message(),
              "ORA-06550: line 2, column 3:\nPLS-00999: implementation restriction (may be "
              "temporary) MERGE statements are not supported");
    // A variable may still be called select... in a quoted name, and COMMIT is accepted.
    EXPECT_NO_THROW(run(
        *session, "declare \"SELECT\" number; begin \"SELECT\" := 1; commit; commit work; end;"));
}

TEST_F(Errors, RunawayRecursionIsAStorageErrorNotACrash)
{
    run(*session, "create procedure forever(n number) is begin forever(n + 1); end;");
    const OraError error = failure(*session, "begin forever(1); end;");
    EXPECT_EQ(error.code(), 6500);
}

} // namespace

} // namespace vexmoor::engine
