// PL/SQL semantics of the interpreter, through the public session API.
#include "EngineSession.h"

namespace vexmoor::engine {

namespace {

class Interpreter : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();

    std::optional<std::string> e(const std::string& expression)
    {
        return eval(*session, expression);
    }
    std::optional<std::string> block(const std::string& text) { return value(*session, text); }
};

TEST_F(Interpreter, OracleNullRules)
{
    EXPECT_EQ(e("''"), std::nullopt);
    EXPECT_EQ(e("length('')"), std::nullopt);
    EXPECT_EQ(e("length(null)"), std::nullopt);
    EXPECT_EQ(e("null || 'x'"), "x");
    EXPECT_EQ(e("'x' || null || 'y'"), "xy");
    EXPECT_EQ(e("nvl('', 'd')"), "d");
    EXPECT_EQ(e("1 + null"), std::nullopt);
    EXPECT_EQ(block("begin if '' is null then :r := 'null'; else :r := 'not'; end if; end;"),
              "null");
}

TEST_F(Interpreter, ThreeValuedLogic)
{
    const auto truth = [&](const std::string& condition) {
        return block("begin if " + condition + " then :r := 'T'; elsif not (" + condition
                     + ") then :r := 'F'; else :r := 'N'; end if; end;");
    };
    EXPECT_EQ(truth("1 = 1"), "T");
    EXPECT_EQ(truth("1 = 2"), "F");
    EXPECT_EQ(truth("1 = null"), "N");
    EXPECT_EQ(truth("null = null"), "N");
    EXPECT_EQ(truth("1 = null and 1 = 2"), "F");
    EXPECT_EQ(truth("1 = null and 1 = 1"), "N");
    EXPECT_EQ(truth("1 = null or 1 = 1"), "T");
    EXPECT_EQ(truth("1 = null or 1 = 2"), "N");
    EXPECT_EQ(truth("null is null and 2 is not null"), "T");
    EXPECT_EQ(truth("'abc' < 'abd'"), "T");
    EXPECT_EQ(truth("10 > '9'"), "T"); // the text becomes a number
    EXPECT_EQ(truth("3 != 3 or 3 <> 4"), "T");
}

TEST_F(Interpreter, BetweenInAndLike)
{
    const auto truth = [&](const std::string& condition) {
        return block("begin if " + condition + " then :r := 'T'; elsif not (" + condition
                     + ") then :r := 'F'; else :r := 'N'; end if; end;");
    };
    EXPECT_EQ(truth("5 between 1 and 10"), "T");
    EXPECT_EQ(truth("5 not between 1 and 4"), "T");
    EXPECT_EQ(truth("5 between 6 and null"), "F");
    EXPECT_EQ(truth("5 between 1 and null"), "N");
    EXPECT_EQ(truth("'b' between 'a' and 'c'"), "T");
    EXPECT_EQ(truth("3 in (1, 2, 3)"), "T");
    EXPECT_EQ(truth("4 in (1, null)"), "N");
    EXPECT_EQ(truth("4 not in (1, 2)"), "T");
    EXPECT_EQ(truth("'abc' like 'a%'"), "T");
    EXPECT_EQ(truth("'abc' like '_b_'"), "T");
    EXPECT_EQ(truth("'abc' like '%d%'"), "F");
    EXPECT_EQ(truth("'a%c' like 'a\\%c' escape '\\'"), "T");
    EXPECT_EQ(truth("'abc' like 'a\\%c' escape '\\'"), "F");
    EXPECT_EQ(truth("'abc' not like 'x%'"), "T");
    EXPECT_EQ(truth("null like '%'"), "N");
    EXPECT_EQ(truth("'aXbXc' like '%X%X%'"), "T");
}

TEST_F(Interpreter, AndOrStopEarly)
{
    // The right side would divide by zero.
    EXPECT_EQ(block("begin if 1 = 2 and 1/0 = 1 then :r := 'T'; else :r := 'F'; end if; end;"),
              "F");
    EXPECT_EQ(block("begin if 1 = 1 or 1/0 = 1 then :r := 'T'; else :r := 'F'; end if; end;"), "T");
}

TEST_F(Interpreter, ArithmeticAndNumberText)
{
    EXPECT_EQ(e("1 + 2 * 3"), "7");
    EXPECT_EQ(e("(1 + 2) * 3"), "9");
    EXPECT_EQ(e("7 / 2"), "3.5");
    EXPECT_EQ(e("-7 mod 3"), "-1");
    EXPECT_EQ(e("2 ** 10"), "1024");
    EXPECT_EQ(e("to_char(0.5)"), ".5");
    EXPECT_EQ(e("-0.5"), "-.5");
    EXPECT_EQ(e("'4' + 1"), "5");
    EXPECT_EQ(e("round(2.5)"), "3");
    EXPECT_EQ(e("trunc(-2.7)"), "-2");
    EXPECT_EQ(e("abs(-4)"), "4");
}

TEST_F(Interpreter, StringFunctions)
{
    EXPECT_EQ(e("length('abc')"), "3");
    EXPECT_EQ(e("substr('abcdef', 2, 3)"), "bcd");
    EXPECT_EQ(e("substr('abcdef', 0, 2)"), "ab");
    EXPECT_EQ(e("substr('abcdef', -2)"), "ef");
    EXPECT_EQ(e("substr('abc', 5)"), std::nullopt);
    EXPECT_EQ(e("substr('abc', 2, 0)"), std::nullopt);
    EXPECT_EQ(e("substr('abc', 2, null)"), std::nullopt);
    EXPECT_EQ(e("upper('MiXed')"), "MIXED");
    EXPECT_EQ(e("lower('MiXed')"), "mixed");
    EXPECT_EQ(e("'it''s'"), "it's");
    EXPECT_EQ(e("rawtohex(hextoraw('abc'))"), "0ABC");
    EXPECT_EQ(e("user"), "VEXMOOR");
}

TEST_F(Interpreter, DatesFollowTheSessionFormat)
{
    setClock(2026, 12, 7, 9, 30, 15);
    EXPECT_EQ(e("to_char(sysdate)"), "07-DEC-26");
    EXPECT_EQ(e("sysdate"), "07-DEC-26");
    EXPECT_EQ(e("to_char(sysdate, 'YYYY-MM-DD HH24:MI:SS')"), "2026-12-07 09:30:15");
    EXPECT_EQ(e("to_char(sysdate + 1, 'DD')"), "08");
    EXPECT_EQ(e("to_char(to_date('05-JAN-27') - to_date('01-JAN-27'))"), "4");
    run(*session, "alter session set nls_date_format = 'DD.MM.YYYY'");
    EXPECT_EQ(e("sysdate"), "07.12.2026");
    EXPECT_EQ(e("to_char(to_date('31.01.2027') , 'MON')"), "JAN");
}

TEST_F(Interpreter, DeclarationsDefaultsAndConstraints)
{
    EXPECT_EQ(
        block("declare a number := 2; b number default 3; c constant varchar2(5) := 'x'; d date; "
              "begin :r := a * b || c || nvl(to_char(d), '-'); end;"),
        "6x-");
    EXPECT_EQ(
        block(
            "declare i integer := 2.5; p pls_integer; begin p := -2.5; :r := i || ' ' || p; end;"),
        "3 -3");
    EXPECT_EQ(block("declare n number(5,2); begin n := 3.14159; :r := n; end;"), "3.14");
    EXPECT_EQ(failure(*session, "declare n number(3); begin n := 1000; end;").code(), 6502);
    const OraError tooLong = failure(*session, "declare s varchar2(3); begin\n s := 'abcd';\nend;");
    EXPECT_EQ(tooLong.message(), "ORA-06502: PL/SQL: numeric or value error: character string "
                                 "buffer too small\nORA-06512: at line 2");
    EXPECT_EQ(block("declare s varchar2(3) := 'abc'; b boolean := true; begin if b then :r := s; "
                    "end if; end;"),
              "abc");
}

// v := v || ... appends to v where it is; each case shows it cannot be told
// from building the whole value first: a failure leaves v as it was, the
// operands see v as it was before the statement.
TEST_F(Interpreter, AppendingToAVariable)
{
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"declare s varchar2(20) := 'ab'; begin s := s || s || s; :r := s; end;", "ababab"},
        {"declare s varchar2(20); begin s := s || null || 'x'; :r := s; end;", "x"},
        {"declare s varchar2(20); begin s := s || null; :r := nvl(s, 'null'); end;", "null"},
        {"declare s varchar2(5) not null := 'a'; begin s := s || ''; :r := s; end;", "a"},
        {"declare s varchar2(5) := 'abc'; begin s := s || 'de'; :r := s; end;", "abcde"},
        {"declare s varchar2(5) := 'abc'; begin begin s := s || 'de' || 'f'; exception when "
         "value_error then null; end; :r := s; end;",
         "abc"},
        {"declare s varchar2(32767) := rpad('x', 32767, 'x'); begin begin s := s || 'y'; "
         "exception when value_error then :r := length(s); end; end;",
         "32767"},
        {"declare s varchar2(9) := 'a'; begin begin s := s || 'b' || 1 / 0; exception when "
         "zero_divide then null; end; :r := s; end;",
         "a"},
        {"declare s varchar2(9) := 'a'; function f return varchar2 is begin s := 'zz'; return "
         "'b'; end; begin s := s || f; :r := s; end;",
         "ab"},
        {"declare s varchar2(9) := 'a'; n number := 1.5; begin s := s || n || (s || 'c'); :r := "
         "s; end;",
         "a1.5ac"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(block(text), expected);
    }
    EXPECT_EQ(
        failure(*session, "declare s varchar2(3) := 'ab'; begin\n s := s || 'cd';\nend;").message(),
        "ORA-06502: PL/SQL: numeric or value error: character string buffer too small\n"
        "ORA-06512: at line 2");
}

TEST_F(Interpreter, Loops)
{
    EXPECT_EQ(block("declare s varchar2(100); begin for i in 1..5 loop s := s || i; end loop; :r "
                    ":= s; end;"),
              "12345");
    EXPECT_EQ(block("declare s varchar2(100); begin for i in reverse 1..3 loop s := s || i; end "
                    "loop; :r := s; end;"),
              "321");
    EXPECT_EQ(block("declare s varchar2(10) := 'x'; begin for i in 3..1 loop s := 'ran'; end loop; "
                    ":r := s; end;"),
              "x");
    EXPECT_EQ(
        block("declare i number := 0; begin while i < 4 loop i := i + 1; end loop; :r := i; end;"),
        "4");
    EXPECT_EQ(block("declare i number := 0; begin loop i := i + 1; exit when i = 7; end loop; :r "
                    ":= i; end;"),
              "7");
    EXPECT_EQ(block("declare i number := 0; begin loop i := i + 1; if i > 2 then exit; end if; end "
                    "loop; :r := i; end;"),
              "3");
    EXPECT_EQ(block("declare n number := 0; begin for i in 1..3 loop for j in 1..3 loop exit when "
                    "j > i; n := n + 1; "
                    "end loop; end loop; :r := n; end;"),
              "6");
}

// CONTINUE starts the next turn; with a label, EXIT and CONTINUE are for that
// loop, also from inside blocks and the loops within it.
TEST_F(Interpreter, ContinueAndLabelledExit)
{
    struct Case {
        const char* body;
        const char* result;
    };
    for (const Case& c : {
             Case{"for i in reverse 1..5 loop continue when mod(i, 2) = 0; s := s || i; end loop;",
                  "531"},
             Case{"for i in 1..4 loop if i = 2 then continue; end if; s := s || i; end loop;",
                  "134"},
             Case{"<<outer>> for i in 1..3 loop <<inner>> for j in 1..3 loop exit outer when i * j "
                  "> 3; continue outer when j = 2; s := s || i || j || ' '; end loop inner; end "
                  "loop outer;",
                  "11 21 "},
             Case{"<<w>> while nvl(length(s), 0) < 9 loop s := s || 'a'; begin for r in (select 1 "
                  "from dual) loop exit w when length(s) = 3; end loop; end; end loop;",
                  "aaa"},
         })
        EXPECT_EQ(block(std::string("declare s varchar2(100); begin ") + c.body + " :r := s; end;"),
                  c.result)
            << c.body;
    struct Refusal {
        const char* text;
        const char* says;
    };
    for (const Refusal& r : {
             Refusal{"begin continue; end;", "PLS-00376"},
             Refusal{"begin <<a>> loop exit b; end loop; end;",
                     "PLS-00373: EXIT/CONTINUE label 'B'"},
             Refusal{"begin <<a>> begin loop continue a; end loop; end; end;", "PLS-00373"},
         }) {
        const OraError error = failure(*session, r.text);
        EXPECT_NE(error.message().find(r.says), std::string::npos) << error.message();
    }
    EXPECT_EQ(block("declare continue number := 1; begin continue := continue + 1; :r := continue; "
                    "end;"),
              "2")
        << "a variable may still be called so";
}

TEST_F(Interpreter, NestedBlocksScopeAndReturn)
{
    EXPECT_EQ(block("declare x varchar2(10) := 'outer'; begin declare x varchar2(10) := 'inner'; "
                    "begin null; end; "
                    ":r := x; end;"),
              "outer");
    EXPECT_EQ(block("begin :r := 'before'; return; :r := 'after'; end;"), "before");
    EXPECT_EQ(block("begin <<outer>> begin :r := 'labelled'; end outer; end;"), "labelled");
}

TEST_F(Interpreter, ElseIfNestsWhileElsifChains)
{
    const std::string elseIf =
        "declare t number := :t; begin if t = 1 then :r := 'one'; else if t = 2 then :r := 'two'; "
        "else :r := 'other'; end if; end if; end;";
    const std::string elsif =
        "declare t number := :t; begin if t = 1 then :r := 'one'; elsif t = 2 then :r := 'two'; "
        "else :r := 'other'; end if; end;";
    for (const auto& text : {elseIf, elsif}) {
        for (const auto& [t, expected] :
             std::vector<std::pair<int, std::string>>{{1, "one"}, {2, "two"}, {3, "other"}}) {
            IntegerBind input;
            input.value = t;
            StringBind result(20);
            auto statement = session->prepare(text);
            statement->bind("t", input.buffer());
            statement->bind("r", result.buffer());
            statement->execute();
            EXPECT_EQ(result.text(), expected);
        }
    }
}

TEST_F(Interpreter, ExceptionHandlersSqlcodeAndSqlerrm)
{
    EXPECT_EQ(block("declare n number; begin n := 1 / 0; exception when zero_divide then :r := "
                    "sqlcode || ' ' || sqlerrm; end;"),
              "-1476 ORA-01476: divisor is equal to zero");
    EXPECT_EQ(block("declare n number; begin n := 'abc'; exception when value_error then :r := "
                    "'value'; end;"),
              "value");
    EXPECT_EQ(block("begin raise no_data_found; exception when others then :r := sqlcode; end;"),
              "100");
    EXPECT_EQ(block("begin raise_application_error(-20001, 'mine'); exception when others then :r "
                    ":= sqlcode || sqlerrm; end;"),
              "-20001ORA-20001: mine");
    EXPECT_EQ(block("declare oops exception; begin raise oops; exception when oops then :r := "
                    "sqlcode || ' ' || sqlerrm; end;"),
              "1 User-Defined Exception");
    EXPECT_EQ(block("begin :r := sqlcode || ' ' || sqlerrm; end;"),
              "0 ORA-0000: normal, successful completion");
    // An inner block's handler does not see errors of the outer block's other statements.
    EXPECT_EQ(
        block(
            "begin begin raise zero_divide; exception when no_data_found then :r := 'wrong'; end; "
            "exception when zero_divide then :r := 'outer'; end;"),
        "outer");
    // Errors in declarations go to the enclosing block.
    EXPECT_EQ(block("begin declare s varchar2(1) := 'toolong'; begin null; exception when others "
                    "then :r := 'same'; end; "
                    "exception when others then :r := 'enclosing'; end;"),
              "enclosing");
}

// PRAGMA EXCEPTION_INIT names an Oracle error: its handler catches that
// error however raised, and raising it raises that error.
TEST_F(Interpreter, ExceptionInitBindsAnExceptionToAnError)
{
    const std::string declare = "declare e_app exception; pragma exception_init(e_app, -20001); "
                                "e_none exception; pragma exception_init(e_none, 100); n number; ";
    struct Case {
        const char* body;
        const char* result;
    };
    for (const Case& c : {
             Case{"raise_application_error(-20001, 'late'); exception when e_app then :r := "
                  "sqlcode || ' ' || sqlerrm;",
                  "-20001 ORA-20001: late"},
             Case{"raise e_app; exception when others then :r := sqlcode || ' ' || sqlerrm;",
                  "-20001 ORA-20001: "},
             Case{"select 1 into n from dual where 1 = 0; exception when e_none then :r := "
                  "sqlcode;",
                  "100"},
             Case{"raise e_none; exception when no_data_found then :r := 'found';", "found"},
         })
        EXPECT_EQ(block(declare + "begin " + c.body + " end;"), c.result) << c.body;
    EXPECT_EQ(failure(*session, declare + "begin raise e_app; end;").message(),
              "ORA-20001: \nORA-06512: at line 1");
    struct Refusal {
        const char* pragma;
        const char* says;
    };
    for (const Refusal& r : {
             Refusal{"e exception; pragma exception_init(e, -1403);", "PLS-00701"},
             Refusal{"e exception; pragma exception_init(e, 5);", "PLS-00701"},
             Refusal{"pragma exception_init(nosuch, -1);", "PLS-00109"},
             Refusal{"procedure p is pragma autonomous_transaction; begin null; end;",
                     "PRAGMA AUTONOMOUS_TRANSACTION is not supported"},
         }) {
        const OraError error =
            failure(*session, std::string("declare ") + r.pragma + " begin null; end;");
        EXPECT_NE(error.message().find(r.says), std::string::npos) << error.message();
    }
}

// DBMS_LOCK.SLEEP and DBMS_SESSION.SLEEP pause, and give way to a cancel.
TEST_F(Interpreter, SleepPausesAndGivesWayToACancel)
{
    EXPECT_EQ(block("begin dbms_lock.sleep(0.01); dbms_session.sleep(0); :r := 'woke'; end;"),
              "woke");
    for (const char* seconds : {"null", "-1"})
        EXPECT_EQ(
            failure(*session, std::string("begin dbms_lock.sleep(") + seconds + "); end;").code(),
            6502)
            << seconds;
    session->cancel();
    EXPECT_EQ(failure(*session, "begin dbms_session.sleep(3600); end;").code(), 1013);
}

// Oracle's types that the engine does not keep are refused by name, never
// taken for an undeclared identifier.
TEST_F(Interpreter, OtherOracleTypesAreRefusedByName)
{
    for (const char* type : {"TIMESTAMP", "CLOB", "CHAR(1)", "SYS_REFCURSOR", "BINARY_DOUBLE"}) {
        const OraError error =
            failure(*session, std::string("declare v ") + type + "; begin null; end;");
        EXPECT_NE(error.message().find("PLS-00999"), std::string::npos) << error.message();
    }
}

TEST_F(Interpreter, ReraiseKeepsTheErrorAndAddsTheLine)
{
    const OraError error =
        failure(*session, "begin\n  raise_application_error(-20005, 'again');\nexception\n  when "
                          "others then\n    raise;\nend;");
    EXPECT_EQ(error.code(), 20005);
    EXPECT_EQ(error.message(), "ORA-20005: again\nORA-06512: at line 5");
    const OraError user = failure(*session, "declare e exception; begin raise e; end;");
    EXPECT_EQ(user.message(),
              "ORA-06510: PL/SQL: unhandled user-defined exception\nORA-06512: at line 1");
}

TEST_F(Interpreter, RaiseApplicationErrorRange)
{
    EXPECT_EQ(failure(*session, "begin raise_application_error(-20999, 'x'); end;").code(), 20999);
    const OraError outOfRange =
        failure(*session, "begin raise_application_error(-19999, 'x'); end;");
    EXPECT_EQ(outOfRange.code(), 21000);
    EXPECT_EQ(
        firstLine(outOfRange.message()),
        "ORA-21000: error number argument to raise_application_error of -19999 is out of range");
}

TEST_F(Interpreter, CompileErrorsNameTheIdentifier)
{
    const OraError unknown = failure(*session, "begin\n  nosuch(1);\nend;");
    EXPECT_EQ(unknown.message(),
              "ORA-06550: line 2, column 3:\nPLS-00201: identifier 'NOSUCH' must be declared\n"
              "ORA-06550: line 2, column 3:\nPL/SQL: Statement ignored");
    EXPECT_EQ(unknown.parseOffset(), 8U);
    EXPECT_NE(failure(*session, "begin :r := nosuch; end;")
                  .message()
                  .find("PLS-00201: identifier 'NOSUCH'"),
              std::string::npos);
    EXPECT_NE(failure(*session, "begin length('x'); end;").message().find("PLS-00221"),
              std::string::npos);
    EXPECT_NE(failure(*session, "begin :r := substr('x'); end;").message().find("PLS-00306"),
              std::string::npos);
    EXPECT_NE(
        failure(*session, "begin :r := substr('x', 1, 2, 3); end;").message().find("PLS-00306"),
        std::string::npos);
    EXPECT_NE(failure(*session, "declare c constant number := 1; begin c := 2; end;")
                  .message()
                  .find("PLS-00363"),
              std::string::npos);
    EXPECT_NE(failure(*session, "begin for i in 1..2 loop i := 3; end loop; end;")
                  .message()
                  .find("PLS-00363"),
              std::string::npos);
    EXPECT_NE(failure(*session, "begin exit; end;").message().find("PLS-00376"), std::string::npos);
    EXPECT_NE(failure(*session, "begin raise; end;").message().find("PLS-00367"),
              std::string::npos);
    EXPECT_NE(failure(*session, "begin if 1 then null; end if; end;").message().find("PLS-00382"),
              std::string::npos);
    EXPECT_NE(failure(*session, "begin dbms_pipe.nosuch; end;")
                  .message()
                  .find("PLS-00302: component 'NOSUCH'"),
              std::string::npos);
}

TEST_F(Interpreter, NamedAndDefaultedArgumentsOfBuiltins)
{
    EXPECT_EQ(e("substr(pos => 2, str1 => 'abc')"), "bc");
    EXPECT_EQ(e("to_char(x => 5)"), "5");
}

} // namespace

} // namespace vexmoor::engine
