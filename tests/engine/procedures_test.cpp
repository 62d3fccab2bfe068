// Stored procedures: creation, calls, definer's rights, caching across
// sessions, and the error stack of calls.
#include "EngineSession.h"

#include "engine/Catalog.h"
#include "engine/PipeStore.h"

namespace vexmoor::engine {

namespace {

class Procedures : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();
};

TEST_F(Procedures, ParametersByPositionNameAndDefault)
{
    run(*session, "create procedure describe(a in varchar2, b in number default 10, c out "
                  "varchar2, d in out number) as\n"
                  "begin\n  c := a || ':' || b;\n  d := d * 2;\nend;");
    const auto result = value(
        *session, "declare c varchar2(50); d number := 4; begin describe('x', c => c, d => d); "
                  ":r := c || ' ' || d; end;");
    EXPECT_EQ(result, "x:10 8");
    EXPECT_EQ(value(*session, "declare c varchar2(50); d number := 1; begin describe(d => d, c => "
                              "c, b => 2, a => 'y'); "
                              ":r := c || ' ' || d; end;"),
              "y:2 2");
    EXPECT_NE(failure(*session, "declare c varchar2(5); begin describe('x', 1, c); end;")
                  .message()
                  .find("PLS-00306"),
              std::string::npos);
    EXPECT_NE(failure(*session, "declare d number; begin describe('x', 1, 'lit', d); end;")
                  .message()
                  .find("PLS-00363"),
              std::string::npos);
}

TEST_F(Procedures, OutParameterIntoABindVariable)
{
    run(*session, "create procedure answer(x out number) is begin x := 42; end answer;");
    IntegerBind result;
    auto statement = session->prepare("begin answer(:x); end;");
    statement->bind("x", result.buffer());
    statement->execute();
    EXPECT_EQ(result.value, 42);
}

TEST_F(Procedures, OutParametersAreNotCopiedBackOnError)
{
    run(*session, "create procedure half(x out number) is begin x := 1; raise zero_divide; end;");
    EXPECT_EQ(
        value(
            *session,
            "declare n number := 7; begin half(n); exception when zero_divide then :r := n; end;"),
        "7");
}

TEST_F(Procedures, ErrorStackNamesEveryUnitAndLine)
{
    run(*session, "create procedure inner_p is\nbegin\n  null;\n  raise_application_error(-20010, "
                  "'deep');\nend;");
    run(*session, "create procedure outer_p is\nbegin\n  inner_p;\nend;");
    const OraError error = failure(*session, "begin\n\n  outer_p;\nend;");
    EXPECT_EQ(error.message(), "ORA-20010: deep\n"
                               "ORA-06512: at \"VEXMOOR.INNER_P\", line 4\n"
                               "ORA-06512: at \"VEXMOOR.OUTER_P\", line 3\n"
                               "ORA-06512: at line 3");
    // SQLERRM inside a handler has no stack lines.
    EXPECT_EQ(value(*session, "begin outer_p; exception when others then :r := sqlerrm; end;"),
              "ORA-20010: deep");
    // FORMAT_ERROR_BACKTRACE: the stack lines, down to where this block raised it.
    EXPECT_EQ(value(*session, "begin :r := nvl(dbms_utility.format_error_backtrace, 'none');\n"
                              "  outer_p;\nexception when others then\n"
                              "  :r := :r || '|' || dbms_utility.format_error_backtrace;\nend;"),
              "none|ORA-06512: at \"VEXMOOR.INNER_P\", line 4\n"
              "ORA-06512: at \"VEXMOOR.OUTER_P\", line 3\n"
              "ORA-06512: at line 2\n");
}

TEST_F(Procedures, CreateNeedsThePrivilegeAndAFreeName)
{
    auto admin = logOn("system", "manager");
    run(*admin, "create user guest identified by guest");
    auto guest = logOn("guest", "guest");
    EXPECT_EQ(failure(*guest, "create procedure p is begin null; end;").message(),
              "ORA-01031: insufficient privileges");
    EXPECT_EQ(failure(*guest, "create public synonym p for vexmoor.p").code(), 1031);

    run(*session, "create procedure p is begin null; end;");
    EXPECT_EQ(failure(*session, "create procedure p is begin null; end;").code(), 955);
    EXPECT_NO_THROW(run(*session, "create or replace procedure p is begin null; end;"));
}

TEST_F(Procedures, ProcedureThatDoesNotCompileIsStoredInvalid)
{
    const std::string create = "create procedure broken is begin nosuch; end;";
    const OraError created = failure(*session, create);
    EXPECT_EQ(created.message(), "ORA-24344: success with compilation error");
    EXPECT_EQ(created.parseOffset(), create.find("nosuch")) << "a position in the command";
    EXPECT_TRUE(database->catalog().findProcedure({"VEXMOOR", "BROKEN"}));
    const OraError call = failure(*session, "begin broken; end;");
    EXPECT_NE(call.message().find("PLS-00905: object VEXMOOR.BROKEN is invalid"),
              std::string::npos);

    EXPECT_EQ(failure(*session, "create or replace procedure broken is begin null end;").code(),
              24344);
    run(*session, "create or replace procedure broken is begin null; end;");
    EXPECT_NO_THROW(run(*session, "begin broken; end;"));
}

// USER_ERRORS says where and why each of the user's units does not compile,
// as Oracle's view does: a row per message, the body of a package apart
// from its header.
TEST_F(Procedures, UserErrorsSayWhyAUnitDoesNotCompile)
{
    const std::string listing =
        "begin for e in (select name, type, sequence, line, position, text, message_number from "
        "user_errors order by name, type, sequence) loop :r := :r || e.name || '/' || e.type || "
        "'/' || e.sequence || '/' || e.line || ':' || e.position || '/' || e.text || '/' || "
        "e.message_number || ';'; end loop; end;";
    for (const char* unit :
         {"create procedure broken is\nbegin\n  null;\n  x := 1;\nend;",
          "create package hdr as procedure p(v nosuch); end;",
          "create package body pkg as procedure p(v list_t) is begin v.nope; end; end;"})
        EXPECT_EQ(failure(*session, unit).code(), 24344) << unit;
    run(*session,
        "create package pkg as type list_t is table of number; procedure p(v list_t); end;");
    run(*session, "create procedure fine is begin null; end;");
    EXPECT_EQ(value(*session, listing),
              "BROKEN/PROCEDURE/1/4:3/PLS-00201: identifier 'X' must be declared/201;"
              "BROKEN/PROCEDURE/2/4:3/PL/SQL: Statement ignored/0;"
              "HDR/PACKAGE/1/1:30/PLS-00201: identifier 'NOSUCH' must be declared/201;"
              "PKG/PACKAGE BODY/1/1:52/PLS-00302: component 'NOPE' must be declared/302;"
              "PKG/PACKAGE BODY/2/1:52/PL/SQL: Statement ignored/0;");

    run(*session, "create or replace procedure broken is begin null; end;");
    EXPECT_EQ(value(*session, "begin select count(*) into :r from sys.user_errors where name = "
                              "'BROKEN'; end;"),
              "0");
    auto admin = logOn("system", "manager");
    EXPECT_EQ(value(*admin, "begin select count(*) into :r from user_errors; end;"), "0")
        << "another schema's errors are not the user's";
    EXPECT_EQ(failure(*session, "begin delete from user_errors; end;").code(), 1031);
}

TEST_F(Procedures, DefinersRightsForDbmsPipe)
{
    auto admin = logOn("system", "manager");
    run(*admin, "create user caller identified by c");
    run(*session,
        "create procedure send_it(m varchar2) is s integer; begin dbms_pipe.pack_message(m); "
        "s := dbms_pipe.send_message('rights'); end;");
    run(*session, "create public synonym send_it for send_it");
    auto caller = logOn("caller", "c");
    // The caller may not use dbms_pipe itself, but the owner's procedure may.
    EXPECT_EQ(failure(*caller, "begin dbms_pipe.purge('rights'); end;").code(), 6550);
    run(*caller, "begin send_it('hello'); end;");
    EXPECT_EQ(database->pipes().messageCount("rights"), 1);

    // A procedure whose owner lacks the privilege does not compile.
    run(*admin, "grant create procedure to caller");
    const OraError error =
        failure(*caller, "create procedure mine is begin dbms_pipe.purge('x'); end;");
    EXPECT_EQ(error.code(), 24344);
    EXPECT_NE(failure(*caller, "begin mine; end;").message().find("PLS-00905"), std::string::npos);
}

TEST_F(Procedures, ReplacementInAnotherSessionIsSeen)
{
    run(*session, "create procedure version_of(v out varchar2) is begin v := 'one'; end;");
    const std::string call = "begin version_of(:r); end;";
    EXPECT_EQ(value(*session, call), "one");
    auto other = logOn();
    run(*other, "create or replace procedure version_of(v out varchar2) is begin v := 'two'; end;");
    EXPECT_EQ(value(*session, call), "two");
    run(*other, "drop procedure version_of");
    EXPECT_NE(failure(*session, call)
                  .message()
                  .find("PLS-00201: identifier 'VERSION_OF' must be declared"),
              std::string::npos);
}

TEST_F(Procedures, NamesResolveThroughSchemaAndSynonyms)
{
    run(*session, "create procedure target_p(v out varchar2) is begin v := 'reached'; end;");
    run(*session, "create synonym alias_p for target_p");
    EXPECT_EQ(value(*session, "begin alias_p(:r); end;"), "reached");
    EXPECT_EQ(value(*session, "begin vexmoor.target_p(:r); end;"), "reached");
    run(*session, "drop synonym alias_p");
    EXPECT_EQ(failure(*session, "begin alias_p(:r); end;").code(), 6550);
}

TEST_F(Procedures, RecursionWorks)
{
    run(*session, "create procedure count_down(n number, s in out varchar2) is begin "
                  "if n > 0 then s := s || n; count_down(n - 1, s); end if; end;");
    EXPECT_EQ(value(*session, "declare s varchar2(20); begin count_down(4, s); :r := s; end;"),
              "4321");
}

TEST_F(Procedures, LongChainOfCallsCompilesUpToABound)
{
    // Each procedure compiles with the chain below it; from some length on
    // that is refused (ORA-24344 on creation, PLS-00905 on calls).
    run(*session, "create procedure chain_0 is begin null; end;");
    for (int i = 1; i <= 80; ++i) {
        try {
            run(*session, "create procedure chain_" + std::to_string(i) + " is begin chain_"
                              + std::to_string(i - 1) + "; end;");
        } catch (const OraError& error) {
            EXPECT_GT(i, 40);
            EXPECT_EQ(error.code(), 24344);
        }
    }
    auto fresh = logOn();
    EXPECT_NE(failure(*fresh, "begin chain_80; end;").message().find("PLS-00905"),
              std::string::npos);
    EXPECT_NO_THROW(run(*fresh, "begin chain_40; end;"));
}

TEST_F(Procedures, ReturnLeavesOnlyTheProcedure)
{
    run(*session,
        "create procedure early(v out varchar2) is begin v := 'a'; return; v := 'b'; end;");
    EXPECT_EQ(value(*session, "declare v varchar2(5); begin early(v); :r := v || 'c'; end;"), "ac");
}

} // namespace

} // namespace vexmoor::engine
