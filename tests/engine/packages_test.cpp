// Packages, stored functions and forward declarations: tables of statements
// run in turn in one session and what the last gives.
#include "EngineSession.h"

namespace vexmoor::engine {

namespace {

struct Case {
    std::vector<std::string> setup; // commands and blocks run first, in turn
    const char* block;              // assigns :r
    const char* result;             // expected :r when error is 0; nullptr for NULL
    int error = 0;                  // expected ORA number
    const char* detail = "";        // a text the error message holds
};

class Packages : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();

    void check(const Case& c)
    {
        SCOPED_TRACE(c.block);
        for (const auto& statement : c.setup) {
            try {
                run(*session, statement);
            } catch (const OraError& error) {
                ADD_FAILURE() << statement << "\n" << error.message();
                return;
            }
        }
        if (c.error != 0) {
            OraError error(0, "");
            try {
                StringBind result(4000);
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
        try {
            const auto got = value(*session, c.block);
            if (c.result)
                EXPECT_EQ(got, std::optional<std::string>(c.result));
            else
                EXPECT_EQ(got, std::nullopt);
        } catch (const OraError& error) {
            ADD_FAILURE() << error.message();
        }
    }
};

const char* const kCounterSpec = "create or replace package counter is "
                                 "  total number := 0; "
                                 "  limit_c constant number := 3; "
                                 "  too_many exception; "
                                 "  type name_list is table of varchar2(20) index by pls_integer; "
                                 "  names name_list; "
                                 "  procedure add(n number); "
                                 "  procedure add(s varchar2); "
                                 "  function current return number; "
                                 "  function twice(n number) return number; "
                                 "end counter;";

const char* const kCounterBody =
    "create or replace package body counter is "
    "  calls number; "
    "  procedure bump is begin calls := calls + 1; end; "
    "  procedure add(n number) is begin bump; if calls > limit_c then raise too_many; end if; "
    "    total := total + n; end; "
    "  procedure add(s varchar2) is begin bump; names(names.count + 1) := s; end; "
    "  function current return number is begin return total; end; "
    "  function twice(n number) return number is begin return counter.current * 0 + n * 2; end; "
    "begin calls := 0; total := 100; "
    "end counter;";

TEST_F(Packages, MembersStateAndOverloads)
{
    const Case cases[] = {
        // the body's initialisation ran once, before the first use
        {{kCounterSpec, kCounterBody}, "begin counter.add(5); :r := counter.total; end;", "105"},
        // state is kept between calls of the session
        {{}, "begin counter.add(1); :r := counter.current(); end;", "106"},
        // overloads told apart by the argument's type
        {{}, "begin counter.add('x'); :r := counter.names(1) || counter.names.count; end;", "x1"},
        // variables written from outside; constants not
        {{}, "begin counter.total := 7; :r := counter.twice(counter.total); end;", "14"},
        {{}, "begin counter.limit_c := 1; end;", nullptr, 6550, "PLS-00363"},
        // a package's exception is raised and caught by its name
        {{},
         "begin counter.add(1); exception when counter.too_many then :r := 'caught'; end;",
         "caught"},
        // private members are not seen from outside
        {{}, "begin counter.bump; end;", nullptr, 6550, "PLS-00302: component 'BUMP'"},
        {{}, "begin :r := counter.calls; end;", nullptr, 6550, "PLS-00302: component 'CALLS'"},
        {{}, "begin counter.add(1, 2); end;", nullptr, 6550, "PLS-00306"},
        {{}, "begin :r := nopkg.x; end;", nullptr, 6550, "PLS-00201: identifier 'NOPKG.X'"},
        {{}, "begin counter.current; end;", nullptr, 6550, "PLS-00221"},
        // a type of the package declares a variable outside it
        {{}, "declare l counter.name_list; begin l(3) := 'y'; :r := l.first; end;", "3"},
        // qualified with the owner
        {{}, "begin :r := vexmoor.counter.twice(2); end;", "4"},
    };
    for (const auto& c : cases)
        check(c);
}

TEST_F(Packages, AmbiguousOverloadsAreRefused)
{
    check({{"create package amb is procedure p(a number, b varchar2 := 'x'); procedure p(a "
            "number); end;",
            "create package body amb is procedure p(a number, b varchar2 := 'x') is begin null; "
            "end; procedure p(a number) is begin null; end; end;"},
           "begin amb.p(1); end;",
           nullptr,
           6550,
           "PLS-00307: too many declarations of 'P' match this call"});
}

TEST_F(Packages, EachSessionHasItsOwnState)
{
    run(*session, "create package st is n number := 1; end;");
    run(*session, "begin st.n := st.n + 10; end;");
    auto other = logOn();
    EXPECT_EQ(value(*other, "begin :r := st.n; end;"), "1");
    EXPECT_EQ(value(*session, "begin :r := st.n; end;"), "11");
    // An unrelated change of the catalog keeps the state.
    run(*session, "create procedure unrelated is begin null; end;");
    EXPECT_EQ(value(*session, "begin :r := st.n; end;"), "11");
    // Replacing the package discards it, once, as Oracle says.
    run(*other, "create or replace package st is n number := 2; end;");
    const OraError error = failure(*session, "declare v number; begin v := st.n; end;");
    EXPECT_EQ(error.code(), 4068) << error.message();
    EXPECT_NE(error.message().find("ORA-04061: existing state of package body \"VEXMOOR.ST\" has "
                                   "been invalidated"),
              std::string::npos)
        << error.message();
    EXPECT_EQ(value(*session, "begin :r := st.n; end;"), "2");
}

TEST_F(Packages, ReplacingWhatThePackageCallsIsSeen)
{
    run(*session, "create procedure helper(x out number) is begin x := 1; end;");
    run(*session, "create package usesit is n number := 0; function f return number; end;");
    run(*session, "create package body usesit is function f return number is v number; begin "
                  "helper(v); return v; end; end;");
    EXPECT_EQ(value(*session, "begin usesit.n := 5; :r := usesit.f; end;"), "1");
    run(*session, "create or replace procedure helper(x out number) is begin x := 2; end;");
    // The package was compiled anew: its state goes, as in Oracle.
    EXPECT_EQ(errorCode([&] { value(*session, "begin :r := usesit.f; end;"); }), 4068);
    EXPECT_EQ(value(*session, "begin :r := usesit.f || usesit.n; end;"), "20");
}

TEST_F(Packages, MissingAndBrokenUnits)
{
    const Case cases[] = {
        // a header alone compiles callers; running needs the body
        {{"create package nobody is procedure p; end;"},
         "begin nobody.p; end;",
         nullptr,
         4067,
         "ORA-04067: not executed, package body \"VEXMOOR.NOBODY\" does not exist\nORA-06508: "
         "PL/SQL: could not find program unit being called: \"VEXMOOR.NOBODY\""},
        // a header of variables only needs none
        {{"create package consts is c constant varchar2(3) := 'abc'; end;"},
         "begin :r := consts.c; end;",
         "abc"},
        // a body with errors is stored, reported, and refused at run time
        {{},
         "create package body nobody is procedure p is begin x := 1; end; end;",
         nullptr,
         24344},
        {{}, "begin nobody.p; end;", nullptr, 4063, "package body \"VEXMOOR.NOBODY\" has errors"},
        // every subprogram of the header needs its body
        {{},
         "create or replace package body nobody is procedure q is begin null; end; end;",
         nullptr,
         24344},
        {{}, "create package body nospec is end;", nullptr, 24344},
        {{}, "create package consts is x number; end;", nullptr, 955},
        {{}, "create or replace procedure consts is begin null; end;", nullptr, 955},
        // dropping the body leaves the header
        {{"create or replace package body nobody is procedure p is begin null; end; end;",
          "begin nobody.p; end;", "drop package body nobody"},
         "begin nobody.p; end;",
         nullptr,
         4067},
        {{"drop package nobody"}, "begin nobody.p; end;", nullptr, 6550, "PLS-00201"},
        {{}, "drop package body nobody", nullptr, 4043},
        // an initialisation that fails is tried again at the next use
        {{"create package boom is n number; end;",
          "create package body boom is begin n := 1 / 0; end;"},
         "begin :r := boom.n; end;",
         nullptr,
         1476,
         "ORA-06512: at \"VEXMOOR.BOOM\", line 1"},
        {{}, "begin :r := boom.n; end;", nullptr, 1476},
        // a subprogram in a header has no body there
        {{}, "create package bad is procedure p is begin null; end; end;", nullptr, 24344},
        {{}, "begin bad.p; end;", nullptr, 6550, "PLS-00905: object VEXMOOR.BAD is invalid"},
    };
    for (const auto& c : cases)
        check(c);
}

// A package's cursors keep their state in the session's instance of the
// package: opened in one call, fetched and closed in another, inside the
// package or from outside it as pkg.c.
TEST_F(Packages, CursorsRecordsAndExceptionsOfAPackage)
{
    const std::vector<std::string> made{
        "create table staff (id number primary key, name varchar2(10))",
        "begin insert into staff values (1, 'Zoe'); insert into staff values (2, 'Adam'); "
        "insert into staff values (3, null); insert into staff values (4, 'Mia'); commit; end;",
        "create or replace package hr is "
        "  cursor by_name(p_min number default 0) is select id, name from staff where id > "
        "p_min order by name; "
        "  last_row staff%rowtype; "
        "  boom exception; "
        "  function first_name return varchar2; "
        "  procedure remember(p_id number); "
        "  procedure keep(r staff%rowtype); "
        "end hr;",
        "create or replace package body hr is "
        "  cursor private_c is select name from staff; "
        "  function first_name return varchar2 is r by_name%rowtype; begin open by_name; "
        "fetch by_name into r; close by_name; return r.name; end; "
        "  procedure remember(p_id number) is begin select * into last_row from staff where id "
        "= p_id; if last_row.name is null then raise boom; end if; end; "
        "  procedure keep(r staff%rowtype) is begin last_row := r; end; "
        "end hr;"};
    const Case cases[] = {
        {made, "begin :r := hr.first_name; end;", "Adam"},
        {{},
         "declare r hr.by_name%rowtype; begin open hr.by_name(1); fetch hr.by_name into r; "
         ":r := r.name || hr.by_name%rowcount; close hr.by_name; end;",
         "Adam1"},
        // still open in the next call, and a second OPEN is refused
        {{"begin open hr.by_name; end;"},
         "begin if hr.by_name%isopen then :r := 'open'; end if; end;",
         "open"},
        {{}, "begin open hr.by_name; end;", nullptr, 6511},
        {{}, "begin :r := hr.first_name; end;", nullptr, 6511, "ORA-06512: at \"VEXMOOR.HR\""},
        {{"begin close hr.by_name; end;"},
         "begin for r in hr.by_name(2) loop :r := :r || r.name || ';'; end loop; end;",
         "Mia;;"},
        // the package's %ROWTYPE record, read and written from outside
        {{},
         "begin hr.remember(2); hr.last_row.id := hr.last_row.id * 10; :r := hr.last_row.name "
         "|| hr.last_row.id; end;",
         "Adam20"},
        {{}, "begin hr.remember(3); exception when hr.boom then :r := 'boom'; end;", "boom"},
        // a %ROWTYPE parameter takes a record of the same table from another unit
        {{},
         "declare s staff%rowtype; begin s.name := 'Kit'; hr.keep(s); :r := hr.last_row.name; "
         "end;",
         "Kit"},
        {{}, "begin raise hr.boom; exception when hr.boom then :r := 'again'; end;", "again"},
        {{}, "begin raise hr.boom; end;", nullptr, 6510},
        {{}, "begin open hr.private_c; end;", nullptr, 6550, "PLS-00302: component 'PRIVATE_C'"},
        {{}, "begin open hr.last_row; end;", nullptr, 6550, "PLS-00456: item 'HR.LAST_ROW'"},
        {{},
         "begin :r := case when hr.last_row%isopen then 'x' end; end;",
         nullptr,
         6550,
         "PLS-00324"},
        {{}, "begin close hr.by_name; end;", nullptr, 1001},
    };
    for (const auto& c : cases)
        check(c);
}

// The header's types are the body's too: in its signatures, its variables and
// its local subprograms, as well as the callers'.
TEST_F(Packages, TypesOfTheHeaderServeTheBody)
{
    const std::vector<std::string> made{
        "create or replace package orders is "
        "  type line_t is record (sku varchar2(10), qty number, price number(8,2)); "
        "  type lines_t is table of line_t index by pls_integer; "
        "  function total(p_lines lines_t) return number; "
        "end orders;",
        "create or replace package body orders is "
        "  kept lines_t; "
        "  function total(p_lines lines_t) return number is "
        "    s number := 0; i pls_integer := p_lines.first; "
        "    function cost(l line_t) return number is begin return l.qty * l.price; end; "
        "  begin "
        "    while i is not null loop s := s + cost(p_lines(i)); i := p_lines.next(i); end loop; "
        "    kept := p_lines; return s; "
        "  end; "
        "end orders;"};
    const Case cases[] = {
        {made,
         "declare l orders.lines_t; begin l(1).qty := 2; l(1).price := 9.99; l(5).qty := 1; "
         "l(5).price := 120; :r := orders.total(l); end;",
         "139.98"},
        {{},
         "create or replace package body orders is function total(p_lines lines_t) return "
         "number is begin return p_lines.count + nope; end; end;",
         nullptr,
         24344},
    };
    for (const auto& c : cases)
        check(c);
}

TEST_F(Packages, StoredFunctionsAndForwardDeclarations)
{
    const Case cases[] = {
        {{"create function add_one(n number) return number is begin return n + 1; end;"},
         "begin :r := add_one(add_one(1)); end;",
         "3"},
        {{}, "begin add_one(1); end;", nullptr, 6550, "PLS-00221"},
        {{"create function no_return return number is begin null; end;"},
         "begin :r := no_return; end;",
         nullptr,
         6503},
        {{}, "create function f_bad return number is begin return nope; end;", nullptr, 24344},
        {{}, "begin :r := f_bad; end;", nullptr, 6550, "PLS-00905"},
        {{"drop function add_one"}, "begin :r := add_one(1); end;", nullptr, 6550, "PLS-00201"},
        // mutual recursion through a forward declaration
        {{},
         "declare function odd(n number) return boolean; "
         "function even(n number) return boolean is begin if n = 0 then return true; end if; "
         "return odd(n - 1); end; "
         "function odd(n number) return boolean is begin if n = 0 then return false; end if; "
         "return even(n - 1); end; "
         "begin :r := case when even(10) then 'even' else 'odd' end; end;",
         "even"},
        {{}, "declare procedure p; begin p; end;", nullptr, 6550, "PLS-00328"},
        {{},
         "declare procedure p(a number := 1); procedure p(a number) is begin null; end; "
         "begin p; end;",
         nullptr,
         6550,
         "PLS-00593"},
    };
    for (const auto& c : cases)
        check(c);
}

} // namespace

} // namespace vexmoor::engine
