// Local procedures and functions, and dbms_output, each as a table of
// statements and what they give: a result or Oracle's error.
#include "EngineSession.h"

namespace vexmoor::engine {

namespace {

struct Case {
    const char* block;       // assigns :r
    const char* result;      // expected :r when error is 0; nullptr for NULL
    int error = 0;           // expected ORA number
    const char* detail = ""; // a text the error message holds
};

class ProgramUnits : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();

    void check(const Case& c)
    {
        SCOPED_TRACE(c.block);
        if (c.error != 0) {
            StringBind result(4000);
            OraError error(0, "");
            try {
                auto statement = session->prepare(c.block);
                if (std::string_view(c.block).find(":r") != std::string_view::npos)
                    statement->bind(":r", result.buffer());
                statement->execute();
                ADD_FAILURE() << "no error";
            } catch (const OraError& raised) {
                error = raised;
            }
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
         "begin inc; inc(5); inc(step => 10); :r := n; end;",
         "17"},
        // recursion keeps a frame per call
        {"declare function fib(n pls_integer) return number is a number; begin if n < 2 then "
         "return n; end if; "
         "a := fib(n - 1); return a + fib(n - 2); end fib; begin :r := fib(15); end;",
         "610"},
        // two levels down, reaching both enclosing units
        {"declare a varchar2(10) := 'x'; procedure outer is b varchar2(10) := 'y'; "
         "procedure inner is begin a := a || b; end; begin inner; b := 'z'; inner; end; "
         "begin outer; :r := a; end;",
         "xyz"},
        // overloading by argument count and by name
        {"declare function f(a number) return varchar2 is begin return 'one'; end; "
         "function f(a number, b number) return varchar2 is begin return 'two'; end; "
         "function f(c varchar2) return varchar2 is begin return 'c'; end; "
         "begin :r := f(1) || f(1, 2) || f(c => 'q'); end;",
         "onetwoc"},
        // and by the plain type of the arguments
        {"declare d date := sysdate; function k(a number) return varchar2 is begin return 'n'; "
         "end; "
         "function k(a varchar2) return varchar2 is begin return 's'; end; "
         "function k(a date) return varchar2 is begin return 'd'; end; "
         "begin :r := k('x') || k(1) || k(d); end;",
         "snd"},
        {"declare function k(a number) return varchar2 is begin return 'n'; end; "
         "function k(a varchar2) return varchar2 is begin return 's'; end; "
         "begin :r := k(to_char(1)); end;",
         nullptr, 6550, "PLS-00999"},
        {"declare procedure p(a number) is begin null; end; procedure p(a number, b number := 1) "
         "is begin null; end; "
         "begin p(1); end;",
         nullptr, 6550, "PLS-00307"},
        // OUT and IN OUT parameters
        {"declare x number; y number := 2; procedure p(o out number, io in out number) is begin o "
         ":= 40; io := io * 3; end; "
         "begin p(x, y); :r := x + y; end;",
         "46"},
        // RETURN converts to the declared type; a procedure's RETURN leaves it early
        {"declare s varchar2(5) := 'a'; function f return varchar2 is begin return 12; end; "
         "procedure p is begin s := 'b'; return; s := 'c'; end; begin p; :r := f || s; end;",
         "12b"},
        // RETURN from inside a loop and a handler
        {"declare function f return number is begin for i in 1..10 loop if i = 3 then return i; "
         "end if; end loop; "
         "return 0; end; function g return number is begin raise zero_divide; exception when "
         "others then return -1; end; "
         "begin :r := f + g; end;",
         "2"},
        // a local name hides the outer one
        {"declare v number := 1; procedure p is v number := 5; begin v := v + 1; end; begin p; :r "
         ":= v; end;",
         "1"},
        {"declare v number; function f return number is begin null; end; begin v := f; end;",
         nullptr, 6503,
         "ORA-06503: PL/SQL: Function returned without value\nORA-06512: at line 1\nORA-06512: at "
         "line 1"},
        {"declare procedure p is begin raise no_data_found; end; begin p; end;", nullptr, 1403,
         "ORA-06512: at line 1"},
        {"declare function f return number is begin return; end; begin null; end;", nullptr, 6550,
         "PLS-00503"},
        {"declare procedure p is begin return 1; end; begin null; end;", nullptr, 6550,
         "PLS-00372"},
        {"declare procedure p is begin null; end; begin :r := p; end;", nullptr, 6550, "PLS-00222"},
        {"declare function f return number is begin return 1; end; begin f; end;", nullptr, 6550,
         "PLS-00221"},
        {"declare procedure p(a number) is begin null; end; begin p(1, 2); end;", nullptr, 6550,
         "PLS-00306"},
        {"declare procedure p(a number) is begin null; end; begin p(b => 1); end;", nullptr, 6550,
         "PLS-00306"},
        {"declare procedure p is begin null; end; begin p := 1; end;", nullptr, 6550, "PLS-00363"},
        {"declare procedure p is begin null; end; v number; begin null; end;", nullptr, 6550,
         "PLS-00103"},
        {"declare v number; procedure v is begin null; end; begin null; end;", nullptr, 6550,
         "PLS-00371"},
        {"declare procedure p is begin null; end q; begin null; end;", nullptr, 6550, "PLS-00113"},
        // a forward declaration and its body are one subprogram, not two overloads
        {"declare procedure p(n number); procedure p(n number) is begin :r := n; end; begin p(4); "
         "end;",
         "4"},
        {"declare procedure p is begin exit; end; begin loop p; end loop; end;", nullptr, 6550,
         "PLS-00376"},
        {"declare procedure p is begin null; end; begin p; end; x", nullptr, 6550, "PLS-00103"},
    };
    for (const Case& c : cases)
        check(c);
}

TEST_F(ProgramUnits, RecordsAndCollections)
{
    const std::string point = "declare type pt is record (x number, y varchar2(5)); ";
    const std::string nums = "declare type nt is table of number; ";
    const std::string map =
        "declare type mt is table of varchar2(20) index by varchar2(10); m mt; ";
    const std::string arr = "declare type at is table of number index by pls_integer; a at; ";
    const std::string vars = "declare type vt is varray(3) of number; ";
    const std::vector<std::pair<std::string, Case>> cases = {
        // records: fields, whole-record copies, records in records, as parameters
        {point
             + "p pt; q pt; begin p.x := 1; p.y := 'a'; q := p; p.x := 2; :r := q.x || q.y || p.x; "
               "end;",
         {"", "1a2"}},
        {point
             + "type line is record (a pt, b pt); l line; begin l.b.y := 'end'; :r := nvl(l.a.y, "
               "'-') || l.b.y; end;",
         {"", "-end"}},
        {point
             + "p pt; procedure move(q in out pt) is begin q.x := q.x + 10; end; begin p.x := 1; "
               "move(p); :r := p.x; end;",
         {"", "11"}},
        {point + "p pt; begin p.y := 'toolong'; end;", {"", nullptr, 6502}},
        {point + "p pt; begin p.z := 1; end;",
         {"", nullptr, 6550, "PLS-00302: component 'Z' must be declared"}},
        {point + "p pt; begin :r := p; end;", {"", nullptr, 6550, "PLS-00382"}},
        {point + "p pt; n number; begin n := p + 1; end;", {"", nullptr, 6550, "PLS-00306"}},
        {point + "function f return number is p pt; begin return p; end; begin null; end;",
         {"", nullptr, 6550, "PLS-00382"}},
        {point
             + "type other is record (x number, y varchar2(5)); p pt; o other; begin p := o; end;",
         {"", nullptr, 6550, "PLS-00382"}},
        {"declare p no_such_type; begin null; end;",
         {"", nullptr, 6550, "PLS-00201: identifier 'NO_SUCH_TYPE'"}},
        // index-by tables
        {arr
             + "begin a(5) := 50; a(-2) := 20; a(9) := 90; :r := a.count || ':' || a.first || ':' "
               "|| a.last || ':' "
               "|| a.next(5) || ':' || a.prior(5) || ':' || nvl(to_char(a.next(9)), 'none'); end;",
         {"", "3:-2:9:9:-2:none"}},
        {arr + "begin a(1) := 1; :r := a(2); end;", {"", nullptr, 1403}},
        {arr
             + "begin a(1) := 1; a(2) := 2; a(3) := 3; a(4) := 4; a.delete(2, 3); a.delete(9); :r "
               ":= a.count || a.next(1); "
               "a.delete; :r := :r || a.count || nvl(to_char(a.first), '-'); end;",
         {"", "240-"}},
        {arr + "begin if a.exists(1) then :r := 'yes'; else :r := 'no'; end if; end;", {"", "no"}},
        {arr + "n number; begin a(n) := 1; end;",
         {"", nullptr, 6502, "NULL index table key value"}},
        {arr + "begin a.extend; end;", {"", nullptr, 6550, "PLS-00306"}},
        {arr + "begin a.trim; end;", {"", nullptr, 6550, "PLS-00306"}},
        {arr + "begin :r := nvl(to_char(a.limit), 'none'); end;", {"", "none"}},
        {arr + "begin :r := a.count(1); end;", {"", nullptr, 6550, "PLS-00306"}},
        {arr + "begin a.count; end;", {"", nullptr, 6550, "PLS-00221"}},
        {map
             + "k varchar2(10); begin m('b') := 'B'; m('a') := 'A'; m('c') := 'C'; k := m.first; "
               "while k is not null loop :r := :r || m(k); k := m.next(k); end loop; end;",
         {"", "ABC"}},
        {map + "begin m('x') := 1; :r := m('y'); end;", {"", nullptr, 1403}},
        {map + "begin m('elevenchars') := 1; end;", {"", nullptr, 6502}},
        // nested tables
        {nums
             + "t nt := nt(10, 20, 30); u nt; begin u := t; t(2) := 0; t.extend(2); t(5) := 50; "
               "t.delete(1); :r := t.count || ':' || t.first || ':' || t.last || ':' || u(2) || "
               "':' || nvl(to_char(t(4)), 'null'); end;",
         {"", "4:2:5:20:null"}},
        {nums
             + "t nt; begin if t is null then :r := 'null'; end if; t := nt(); :r := :r || "
               "t.count; end;",
         {"", "null0"}},
        {nums + "t nt; begin t.extend; end;", {"", nullptr, 6531}},
        {nums + "t nt; begin :r := t.count; end;", {"", nullptr, 6531}},
        {nums + "t nt := nt(1, 2); begin :r := t(3); end;", {"", nullptr, 6533}},
        {nums + "t nt := nt(1, 2); begin t(3) := 1; end;", {"", nullptr, 6533}},
        {nums + "t nt := nt(1, 2); begin :r := t(0); end;", {"", nullptr, 6532}},
        {nums + "t nt := nt(1, 2); begin t.delete(1); :r := t(1); end;", {"", nullptr, 1403}},
        {nums
             + "t nt := nt(1, 2); begin t.delete; t.extend; t(1) := 7; :r := t.count || t(1); end;",
         {"", "17"}},
        {nums + "t nt := nt('x'); begin null; end;", {"", nullptr, 6502}},
        // a collection of records, a function returning a record
        {point
             + "type pts is table of pt index by pls_integer; ps pts; p pt; "
               "function mk(x number) return pt is r pt; begin r.x := x; return r; end; "
               "begin ps(1) := mk(4); p := ps(1); :r := p.x; end;",
         {"", "4"}},
        // TRIM counts a deleted place; a nested table has no LIMIT
        {nums
             + "t nt := nt(1, 2, 3); begin t.delete(3); t.trim; :r := t.count || "
               "nvl(to_char(t.limit), '-'); end;",
         {"", "2-"}},
        // varrays: a nested table with a limit
        {vars
             + "v vt := vt(1, 2); u vt; begin v.extend; v(3) := 30; u := v; u(1) := 9; :r := "
               "v.count || ':' || v.limit || ':' || v.first || ':' || v.last || ':' || v(1) || "
               "v(3) || u(1); end;",
         {"", "3:3:1:3:1309"}},
        {vars + "v vt := vt(1, 2, 3); begin v.trim; v.trim(1); :r := v.count || v(1); end;",
         {"", "11"}},
        {vars + "v vt := vt(1, 2); begin v.delete; :r := v.count; end;", {"", "0"}},
        {vars + "v vt := vt(1, 2, 3); begin v.extend; end;", {"", nullptr, 6532}},
        {vars + "v vt := vt(1, 2, 3, 4); begin null; end;", {"", nullptr, 6532}},
        {vars + "v vt := vt(1); begin :r := v(2); end;", {"", nullptr, 6533}},
        {vars + "v vt := vt(1); begin :r := v(4); end;", {"", nullptr, 6532}},
        {vars + "v vt := vt(1); begin v(0) := 1; end;", {"", nullptr, 6532}},
        {vars + "v vt := vt(1); begin v.trim(2); end;", {"", nullptr, 6533}},
        {vars + "v vt; begin v.extend; end;", {"", nullptr, 6531}},
        {vars + "v vt; begin :r := v.limit; end;", {"", nullptr, 6531}},
        {vars + "v vt := vt(1, 2); begin v.delete(1); end;", {"", nullptr, 6550, "PLS-00306"}},
        {point
             + "type pv is varying array(2) of pt; v pv := pv(); begin v.extend; v(1).x := 5; :r "
               ":= v(1).x || v.limit; end;",
         {"", "52"}},
        {"declare type vt is varray(0) of number; begin null; end;",
         {"", nullptr, 6550, "PLS-00999"}},
        // selectors after a subscript: a field of an element made by the assignment,
        // an element of an element, a method of a record's collection
        {point
             + "type pts is table of pt index by pls_integer; ps pts; begin ps(3).x := 1; "
               "ps(3).y := 'b'; ps(3).x := ps(3).x + 1; :r := ps(3).x || ps(3).y || ps.count; "
               "end;",
         {"", "2b1"}},
        {"declare type row is table of number index by pls_integer; type grid is table of row "
         "index by pls_integer; g grid; begin g(1)(2) := 12; g(1)(3) := 13; "
         ":r := g(1)(2) + g(1)(3) || ':' || g(1).count || g(1).last; end;",
         {"", "25:23"}},
        {point
             + "type pts is table of pt; type bag is record (items pts); b bag; begin "
               "b.items := pts(); b.items.extend(2); b.items(2).y := 'z'; "
               ":r := b.items.count || b.items(2).y || nvl(b.items(1).y, '-'); end;",
         {"", "2z-"}},
        {point + "type pts is table of pt; t pts := pts(); begin t.extend; t(2).x := 1; end;",
         {"", nullptr, 6533}},
        {point + "type pts is table of pt; t pts; begin :r := t(1).x; end;", {"", nullptr, 6531}},
        {point + "type pts is table of pt index by pls_integer; ps pts; begin :r := ps(1).x; end;",
         {"", nullptr, 1403}},
        {point + "type pts is table of pt index by pls_integer; ps pts; begin ps(1).z := 1; end;",
         {"", nullptr, 6550, "PLS-00302: component 'Z'"}},
        {point + "p pt; begin p.x(1).y := 1; end;", {"", nullptr, 6550, "PLS-00222"}},
        {point
             + "function f(n number) return pt is r pt; begin return r; end; "
               "begin :r := f(1).x; end;",
         {"", nullptr, 6550, "PLS-00999"}},
        {"declare type nt is table of number; t nt; begin t := nt(a => 1); end;",
         {"", nullptr, 6550, "PLS-00306"}},
    };
    for (const auto& [block, c] : cases) {
        Case full = c;
        full.block = block.c_str();
        check(full);
    }
}

TEST_F(ProgramUnits, StoredProcedureWithALocalFunctionNamesItselfInTheStack)
{
    run(*session,
        "create procedure outer_p(x out number) is function twice(n number) return number is "
        "begin if n > 5 then raise value_error; end if; return n * 2; end; begin x := twice(3); "
        "x := twice(x); end;");
    const OraError error = failure(*session, "declare v number; begin outer_p(v); end;");
    EXPECT_EQ(error.code(), 6502);
    EXPECT_NE(error.message().find(
                  "ORA-06512: at \"VEXMOOR.OUTER_P\", line 1\nORA-06512: at \"VEXMOOR.OUTER_P\", "
                  "line 1\nORA-06512: at line 1"),
              std::string::npos)
        << error.message();
    run(*session, "create or replace procedure outer_p(x out number) is function twice(n number) "
                  "return number is "
                  "begin return n * 2; end; begin x := twice(twice(3)); end;");
    EXPECT_EQ(value(*session, "declare v number; begin outer_p(v); :r := v; end;"), "12");
}

TEST_F(ProgramUnits, DroppingAStoredUnitThatIsNotThereNamesIt)
{
    run(*session, "create procedure p_only is begin null; end;");
    const std::pair<const char*, const char*> cases[] = {
        {"drop package pkg", "ORA-04043: object PKG does not exist"},
        {"drop package body pkg", "ORA-04043"},
        {"drop function f", "ORA-04043: object F does not exist"},
        // a procedure is not dropped as a function or package
        {"drop function p_only", "ORA-04043: object P_ONLY does not exist"},
        {"drop package p_only", "ORA-04043"},
    };
    for (const auto& [statement, expected] : cases) {
        const OraError error = failure(*session, statement);
        EXPECT_NE(error.message().find(expected), std::string::npos) << statement << "\n"
                                                                     << error.message();
    }
    run(*session, "drop procedure p_only");
}

struct OutputCase {
    std::vector<std::string> blocks; // run in turn in one session
    std::vector<std::string> lines;  // then read back with GET_LINE
    int error = 0;                   // of the last block, when it fails
    const char* detail = "";
};

TEST_F(ProgramUnits, DbmsOutput)
{
    const std::string longLine =
        "declare s varchar2(32767); begin for i in 1..1000 loop s := s || '0123456789'; "
        "end loop; dbms_output.put(s); ";
    const OutputCase cases[] = {
        {{"begin dbms_output.put_line('dropped while disabled'); end;"}, {}},
        {{"begin dbms_output.enable; dbms_output.put_line('a'); dbms_output.put('b'); "
          "dbms_output.put(1); "
          "dbms_output.new_line; dbms_output.put('unfinished'); end;"},
         {"a", "b1"}},
        {{"begin dbms_output.enable(null); dbms_output.put_line(null); "
          "sys.dbms_output.put_line('x'); end;"},
         {"<null>", "x"}},
        {{"begin dbms_output.enable; dbms_output.put_line('a'); end;",
          "begin dbms_output.put_line('b'); end;"},
         {"a", "b"}},
        {{"begin dbms_output.enable; dbms_output.put_line('a'); dbms_output.disable; end;"}, {}},
        // after a read, the next write first discards what nobody fetched
        {{"begin dbms_output.enable; dbms_output.put_line('a'); dbms_output.put_line('b'); end;",
          "declare l varchar2(10); s integer; begin dbms_output.get_line(l, s); "
          "dbms_output.put_line('c:' || l); end;"},
         {"c:a"}},
        {{"begin dbms_output.enable(2000); for i in 1..300 loop "
          "dbms_output.put_line('0123456789'); end loop; end;"},
         {},
         20000,
         "ORA-20000: ORU-10027: buffer overflow, limit of 2000 bytes"},
        {{longLine
          + "dbms_output.enable(null); for i in 1..4 loop dbms_output.put(s); end loop; end;"},
         {},
         20000,
         "ORU-10028: line length overflow, limit of 32767 bytes per line"},
        // GET_LINES gives at most numlines and says how many it gave
        {{"begin dbms_output.enable; dbms_output.put_line('a'); dbms_output.put_line('b'); "
          "dbms_output.put_line('c'); end;",
          "declare l dbms_output.chararr; n integer := 2; begin dbms_output.get_lines(l, n); "
          "dbms_output.put_line(n || l(1) || l(2) || l.count); end;",
          "declare l dbms_output.chararr; n integer := 5; begin dbms_output.get_lines(l, n); "
          "dbms_output.put_line(n || l(1) || l.count); end;"},
         {"12ab21"}},
        {{"declare n integer; begin dbms_output.get_lines(n, n); end;"}, {}, 6550, "PLS-00306"},
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

} // namespace vexmoor::engine
