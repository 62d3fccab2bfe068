// Local procedures and functions, and dbms_output, each as a table of
// statements and what they give: a result or Oracle's error.
#include "EngineSession.h"

using namespace enginetest;

namespace {

struct Case {
    const char* block;   // assigns :r
    const char* result;  // expected :r when error is 0; nullptr for NULL
    int error = 0;       // expected ORA number
    const char* detail = ""; // a text the error message holds
};

class ProgramUnits : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();

    void check(const Case& c)
    {
        SCOPED_TRACE(c.block);
        if (c.error != 0) {
            const OraError error = failure(*session, c.block);
            EXPECT_EQ(error.code(), c.error) << error.message();
            EXPECT_NE(error.message().find(c.detail), std::string::npos) << error.message();
            return;
        }
        std::optional<std::string> got;
        try {
            got = value(*session, c.block);
        } catch (const OraError& error) {
            ADD_FAILURE() << error.message();
            return;
        }
        if (c.result)
            EXPECT_EQ(got, std::optional<std::string>(c.result));
        else
            EXPECT_EQ(got, std::nullopt);
    }

    // Every complete line in the session's dbms_output buffer, read with
    // GET_LINE until its status says none is left; NULL lines as "<null>".
    std::vector<std::string> drain()
    {
        std::vector<std::string> lines;
        for (int guard = 0; guard < 1000; ++guard) {
            StringBind line(32768);
            IntegerBind status;
            auto statement = session->prepare("begin dbms_output.get_line(:l, :s); end;");
            statement->bind(":l", line.buffer());
            statement->bind(":s", status.buffer());
            statement->execute();
            if (status.value != 0)
                return lines;
            lines.push_back(line.isNull() ? "<null>" : line.text());
        }
        ADD_FAILURE() << "get_line never ran dry";
        return lines;
    }
};

TEST_F(ProgramUnits, LocalSubprograms)
{
    const Case cases[] = {
        // up-level variables, defaults, named arguments
        {"declare n number := 1; procedure inc(step number default 1) is begin n := n + step; end; "
         "begin inc; inc(5); inc(step => 10); :r := n; end;", "17"},
        // recursion keeps a frame per call
        {"declare function fib(n pls_integer) return number is a number; begin if n < 2 then return n; end if; "
         "a := fib(n - 1); return a + fib(n - 2); end fib; begin :r := fib(15); end;", "610"},
        // two levels down, reaching both enclosing units
        {"declare a varchar2(10) := 'x'; procedure outer is b varchar2(10) := 'y'; "
         "procedure inner is begin a := a || b; end; begin inner; b := 'z'; inner; end; "
         "begin outer; :r := a; end;", "xyz"},
        // overloading by argument count and by name
        {"declare function f(a number) return varchar2 is begin return 'one'; end; "
         "function f(a number, b number) return varchar2 is begin return 'two'; end; "
         "function f(c varchar2) return varchar2 is begin return 'c'; end; "
         "begin :r := f(1) || f(1, 2) || f(c => 'q'); end;", "onetwoc"},
        // OUT and IN OUT parameters
        {"declare x number; y number := 2; procedure p(o out number, io in out number) is begin o := 40; io := io * 3; end; "
         "begin p(x, y); :r := x + y; end;", "46"},
        // RETURN converts to the declared type; a procedure's RETURN leaves it early
        {"declare s varchar2(5) := 'a'; function f return varchar2 is begin return 12; end; "
         "procedure p is begin s := 'b'; return; s := 'c'; end; begin p; :r := f || s; end;", "12b"},
        // RETURN from inside a loop and a handler
        {"declare function f return number is begin for i in 1..10 loop if i = 3 then return i; end if; end loop; "
         "return 0; end; function g return number is begin raise zero_divide; exception when others then return -1; end; "
         "begin :r := f + g; end;", "2"},
        // a local name hides the outer one
        {"declare v number := 1; procedure p is v number := 5; begin v := v + 1; end; begin p; :r := v; end;", "1"},
        {"declare v number; function f return number is begin null; end; begin v := f; end;", nullptr, 6503,
         "ORA-06503: PL/SQL: Function returned without value\nORA-06512: at line 1\nORA-06512: at line 1"},
        {"declare procedure p is begin raise no_data_found; end; begin p; end;", nullptr, 1403, "ORA-06512: at line 1"},
        {"declare function f return number is begin return; end; begin null; end;", nullptr, 6550, "PLS-00503"},
        {"declare procedure p is begin return 1; end; begin null; end;", nullptr, 6550, "PLS-00372"},
        {"declare procedure p is begin null; end; begin :r := p; end;", nullptr, 6550, "PLS-00222"},
        {"declare function f return number is begin return 1; end; begin f; end;", nullptr, 6550, "PLS-00221"},
        {"declare procedure p(a number) is begin null; end; begin p(1, 2); end;", nullptr, 6550, "PLS-00306"},
        {"declare procedure p(a number) is begin null; end; begin p(b => 1); end;", nullptr, 6550, "PLS-00306"},
        {"declare procedure p is begin null; end; begin p := 1; end;", nullptr, 6550, "PLS-00363"},
        {"declare procedure p is begin null; end; v number; begin null; end;", nullptr, 6550, "PLS-00103"},
        {"declare v number; procedure v is begin null; end; begin null; end;", nullptr, 6550, "PLS-00371"},
        {"declare procedure p is begin null; end q; begin null; end;", nullptr, 6550, "PLS-00113"},
        {"declare procedure p; procedure p is begin null; end; begin null; end;", nullptr, 6550, "PLS-00999"},
        {"declare procedure p is begin exit; end; begin loop p; end loop; end;", nullptr, 6550, "PLS-00376"},
        {"declare procedure p is begin null; end; begin p; end; x", nullptr, 6550, "PLS-00103"},
    };
    for (const Case& c : cases)
        check(c);
}

TEST_F(ProgramUnits, StoredProcedureWithALocalFunctionNamesItselfInTheStack)
{
    run(*session, "create procedure outer_p(x out number) is function twice(n number) return number is "
                  "begin if n > 5 then raise value_error; end if; return n * 2; end; begin x := twice(3); "
                  "x := twice(x); end;");
    const OraError error = failure(*session, "declare v number; begin outer_p(v); end;");
    EXPECT_EQ(error.code(), 6502);
    EXPECT_NE(error.message().find("ORA-06512: at \"VEXMOOR.OUTER_P\", line 1\nORA-06512: at \"VEXMOOR.OUTER_P\", "
                                   "line 1\nORA-06512: at line 1"),
              std::string::npos)
        << error.message();
    run(*session, "create or replace procedure outer_p(x out number) is function twice(n number) return number is "
                  "begin return n * 2; end; begin x := twice(twice(3)); end;");
    EXPECT_EQ(value(*session, "declare v number; begin outer_p(v); :r := v; end;"), "12");
}

struct OutputCase {
    std::vector<std::string> blocks;   // run in turn in one session
    std::vector<std::string> lines;    // then read back with GET_LINE
    int error = 0;                     // of the last block, when it fails
    const char* detail = "";
};

TEST_F(ProgramUnits, DbmsOutput)
{
    const std::string longLine = "declare s varchar2(32767); begin for i in 1..1000 loop s := s || '0123456789'; "
                                 "end loop; dbms_output.put(s); ";
    const OutputCase cases[] = {
        {{"begin dbms_output.put_line('dropped while disabled'); end;"}, {}},
        {{"begin dbms_output.enable; dbms_output.put_line('a'); dbms_output.put('b'); dbms_output.put(1); "
          "dbms_output.new_line; dbms_output.put('unfinished'); end;"},
         {"a", "b1"}},
        {{"begin dbms_output.enable(null); dbms_output.put_line(null); sys.dbms_output.put_line('x'); end;"},
         {"<null>", "x"}},
        {{"begin dbms_output.enable; dbms_output.put_line('a'); end;", "begin dbms_output.put_line('b'); end;"},
         {"a", "b"}},
        {{"begin dbms_output.enable; dbms_output.put_line('a'); dbms_output.disable; end;"}, {}},
        // after a read, the next write first discards what nobody fetched
        {{"begin dbms_output.enable; dbms_output.put_line('a'); dbms_output.put_line('b'); end;",
          "declare l varchar2(10); s integer; begin dbms_output.get_line(l, s); dbms_output.put_line('c:' || l); end;"},
         {"c:a"}},
        {{"begin dbms_output.enable(2000); for i in 1..300 loop dbms_output.put_line('0123456789'); end loop; end;"},
         {}, 20000, "ORA-20000: ORU-10027: buffer overflow, limit of 2000 bytes"},
        {{longLine + "dbms_output.enable(null); for i in 1..4 loop dbms_output.put(s); end loop; end;"},
         {}, 20000, "ORU-10028: line length overflow, limit of 32767 bytes per line"},
        {{"declare n integer; begin dbms_output.get_lines(n, n); end;"}, {}, 6550, "PLS-00999"},
        {{"begin dbms_output.no_such; end;"}, {}, 6550, "PLS-00302"},
        {{"begin dbms_output.put_line('a', 'b'); end;"}, {}, 6550, "PLS-00306"},
    };
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(c.blocks.back());
        session = logOn(); // a buffer of its own
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            if (i + 1 == c.blocks.size() && c.error != 0) {
                const OraError error = failure(*session, c.blocks[i]);
                EXPECT_EQ(error.code(), c.error) << error.message();
                EXPECT_NE(error.message().find(c.detail), std::string::npos) << error.message();
            } else {
                run(*session, c.blocks[i]);
            }
        }
        if (c.error == 0) {
            EXPECT_EQ(drain(), c.lines);
        }
    }
}

TEST_F(ProgramUnits, DbmsOutputIsPerSession)
{
    auto other = logOn();
    run(*session, "begin dbms_output.enable; dbms_output.put_line('mine'); end;");
    run(*other, "begin dbms_output.enable; end;");
    EXPECT_EQ(drain(), std::vector<std::string>{"mine"});
    StringBind line(100);
    IntegerBind status;
    auto statement = other->prepare("begin dbms_output.get_line(:l, :s); end;");
    statement->bind(":l", line.buffer());
    statement->bind(":s", status.buffer());
    statement->execute();
    EXPECT_EQ(status.value, 1);
    EXPECT_TRUE(line.isNull());
}

} // namespace
