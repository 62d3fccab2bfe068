// The standard functions and CASE, as tables of a statement and what it
// gives: its text, NULL, or the error it raises (ORA-nnnnn, or PLS-nnnnn
// for a compile error).
#include "EngineSession.h"

#include <string_view>

namespace vexmoor::engine {

namespace {

constexpr std::string_view kNull = "<null>";

struct Case {
    std::string_view code; // an expression, or a whole block that assigns :r
    std::string_view expected;
};

class Builtins : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();

    std::string outcome(std::string_view code)
    {
        const bool isBlock = code.starts_with("begin") || code.starts_with("declare");
        const std::string text =
            isBlock ? std::string(code) : "begin :r := " + std::string(code) + "; end;";
        try {
            const auto result = value(*session, text);
            return result ? *result : std::string(kNull);
        } catch (const OraError& error) {
            const auto pls = error.message().find("PLS-");
            if (error.code() == 6550 && pls != std::string::npos)
                return error.message().substr(pls, 9);
            return error.message().substr(0, 9);
        }
    }

    void check(std::initializer_list<Case> cases)
    {
        for (const auto& c : cases)
            EXPECT_EQ(outcome(c.code), c.expected) << c.code;
    }
};

// A date as text with its time, for the date cases.
std::string day(std::string_view date)
{
    return "to_date('" + std::string(date) + "', 'YYYY-MM-DD HH24:MI:SS')";
}

std::string shown(const std::string& expression)
{
    return "to_char(" + expression + ", 'YYYY-MM-DD HH24:MI:SS')";
}

TEST_F(Builtins, Strings)
{
    check({
        {"lpad('abc', 6)", "   abc"},
        {"lpad('abc', 6, 'xy')", "xyxabc"},
        {"lpad('abcdef', 3)", "abc"},
        {"lpad('abc', 0)", kNull},
        {"lpad('abc', null)", kNull},
        {"lpad(null, 5, 'x')", kNull},
        {"lpad('abc', 5, null)", kNull},
        {"rpad('abc', 7, 'xy')", "abcxyxy"},
        {"rpad('abc', 2.9)", "ab"},
        {"ltrim('xxabcxx', 'x')", "abcxx"},
        {"rtrim('xxabcxx', 'x')", "xxabc"},
        {"ltrim('  a ')", "a "},
        {"rtrim('xyxy', 'xy')", kNull},
        {"trim('  a b  ')", "a b"},
        {"trim(leading 'x' from 'xxaxx')", "axx"},
        {"trim(trailing 'x' from 'xxaxx')", "xxa"},
        {"trim(both 'x' from 'xxaxx')", "a"},
        {"trim('x' from 'xxaxx')", "a"},
        {"trim(leading from '  a  ')", "a  "},
        {"trim('xy' from 'xya')", "ORA-30001"},
        {"trim(null from 'a')", kNull},
        {"trim('x' from 'xxx')", kNull},
        {"replace('abcabc', 'b', 'XY')", "aXYcaXYc"},
        {"replace('abcabc', 'b')", "acac"},
        {"replace('abc', null, 'x')", "abc"},
        {"replace(null, 'a', 'b')", kNull},
        {"replace(rpad('a', 32767, 'a'), 'a', rpad('b', 32767, 'b'))", "ORA-06502"},
        {"regexp_replace(rpad('a', 32767, 'a'), 'a', '\\0\\0')", "ORA-06502"},
        {"translate('abc-123', 'abc-', 'XY')", "XY123"},
        {"translate('abc', null, 'x')", kNull},
        {"instr('CORPORATE FLOOR', 'OR', 3, 2)", "14"},
        {"instr('CORPORATE FLOOR', 'OR', -3, 2)", "2"},
        {"instr('abcabc', 'c', -1)", "6"},
        {"instr('abcabc', 'c', -1, 3)", "0"},
        {"instr('abc', 'z')", "0"},
        {"instr('abc', 'b', 0)", "0"},
        {"instr('abc', 'b', 1, 0)", "ORA-01428"},
        {"instr(null, 'b')", kNull},
        {"initcap('hello wORLD-foo_bar 2nd')", "Hello World-Foo_Bar 2nd"},
        {"initcap('caf\xC3\xA9s OK \xC3\xA9LAN')", "Caf\xC3\xA9s Ok \xC3\xA9lan"},
        {"concat('a', null)", "a"},
        {"concat(null, null)", kNull},
        {"upper('aB') || lower('aB')", "ABab"},
        {"chr(65) || ascii('A')", "A65"},
        {"ascii('\xC3\xA9')", "50089"},
        {"chr(50089)", "\xC3\xA9"},
        {"ascii(null)", kNull},
        {"chr(null)", kNull},
        {"chr(-1)", "ORA-01428"},
        {"lpad('a')", "PLS-00306"},
        {"instr('a', 'b', 1, 1, 1)", "PLS-00306"},
        {"trim('a', 'b')", "PLS-00103"},
    });
}

TEST_F(Builtins, RegularExpressions)
{
    const auto like = [](std::string_view arguments) {
        return "case when regexp_like(" + std::string(arguments) + ") then 'T' else 'F' end";
    };
    const std::string a = like("'Abc', '^a', 'i'");
    const std::string b = like("'Abc', '^a'");
    const std::string c = like("'A', 'a', 'ic'");
    const std::string d = like("'x' || chr(10) || 'ab', '^ab$', 'm'");
    const std::string e = like("'x' || chr(10) || 'ab', '^ab$'");
    const std::string f = like("'a' || chr(10) || 'b', 'a.b'");
    const std::string g = like("'a' || chr(10) || 'b', 'a.b', 'n'");
    const std::string h = like("'ab', 'a b', 'x'");
    const std::string i = like("'ab' || chr(10), 'b$'");
    check({
        {a, "T"},
        {b, "F"},
        {c, "F"},
        {d, "T"},
        {e, "F"},
        {f, "F"},
        {g, "T"},
        {h, "T"},
        {i, "F"},
        {"begin if regexp_like(null, 'a') is null then :r := 'unknown'; end if; end;", "unknown"},
        {"regexp_replace('a1b22c333', '[0-9]+', '#')", "a#b#c#"},
        {"regexp_replace('a1b22c333', '[0-9]+', '#', 1, 2)", "a1b#c333"},
        {"regexp_replace('a1b22c333', '[0-9]+', '#', 4)", "a1b#c#"},
        {"regexp_replace('John Smith', '(\\w+) (\\w+)', '\\2, \\1')", "Smith, John"},
        {"regexp_replace('abc', 'b')", "ac"},
        {"regexp_replace('abc', 'x*', '-')", "-a-b-c-"},
        {"regexp_replace(null, 'b', 'x')", kNull},
        {"regexp_replace('abc', null, 'x')", "abc"},
        {"regexp_substr('one,two,three', '[^,]+', 1, 2)", "two"},
        {"regexp_substr('one,two', '[^,]+', 1, 3)", kNull},
        {"regexp_substr('key=val', '(\\w+)=(\\w+)', 1, 1, 'c', 2)", "val"},
        {"regexp_substr('abc', 'b', 0)", "ORA-01428"},
        {"regexp_substr('abc', 'b', 1, 1, null)", "b"},
        {"regexp_substr('abc', 'b', 1, null)", kNull},
        {like("'a', '('"), "ORA-12725"},
        {like("'a', '[a'"), "ORA-12726"},
        {like("'a', '[z-a]'"), "ORA-12728"},
        {like("'a', 'a', 'z'"), "ORA-01760"},
        {"regexp_substr('a')", "PLS-00306"},
    });
}

TEST_F(Builtins, Numbers)
{
    check({
        {"mod(11, 4) || ' ' || mod(-11, 4) || ' ' || mod(11, -4) || ' ' || mod(11, 0)",
         "3 -3 3 11"},
        {"remainder(11, 4) || ' ' || remainder(10, 4) || ' ' || remainder(-11, 4)", "-1 2 1"},
        {"remainder(5, 0)", "ORA-01476"},
        {"remainder(null, 2)", kNull},
        {"floor(-2.5) || ' ' || ceil(-2.5) || ' ' || ceil(2.1) || ' ' || floor(7)", "-3 -2 3 7"},
        {"abs(-3) || ' ' || sign(-7) || ' ' || sign(0) || ' ' || sign(0.5)", "3 -1 0 1"},
        {"floor(null)", kNull},
        {"power(2, 10) || ' ' || power(2, -1) || ' ' || power(-2, 3)", "1024 .5 -8"},
        {"power(-8, 1/3)", "ORA-01428"},
        {"power(10, 200)", "ORA-01426"},
        {"power(null, 2)", kNull},
        {"sqrt(16)", "4"},
        {"sqrt(-1)", "ORA-01428"},
        {"sqrt(null)", kNull},
        {"exp(0) || ' ' || ln(1)", "1 0"},
        {"round(exp(1), 6)", "2.718282"},
        {"ln(0)", "ORA-01428"},
        {"round(log(10, 1000), 10) || ' ' || log(2, 8)", "3 3"},
        {"log(1, 5)", "ORA-01428"},
        {"log(10, -1)", "ORA-01428"},
        {"trunc(15.79, 1) || ' ' || trunc(-15.79)", "15.7 -15"},
        {"greatest(1, 3, 2) || ' ' || least(4, 2, 9)", "3 2"},
        {"greatest('apple', 'banana', 'cherry')", "cherry"},
        {"greatest(10, '9')", "10"},
        {"greatest('10', 9)", "9"},
        {"least(3, null, 1)", kNull},
        {"greatest(1, 'x')", "ORA-06502"},
        {"greatest()", "PLS-00306"},
        {"mod(1)", "PLS-00306"},
        {"floor(1, 2)", "PLS-00306"},
    });
}

TEST_F(Builtins, Dates)
{
    setClock(2026, 3, 15, 14, 5, 9);
    const std::string d = day("2024-08-17 15:45:30");
    check({
        {shown("add_months(" + day("2024-01-31 00:00:00") + ", 1)"), "2024-02-29 00:00:00"},
        {shown("add_months(" + day("2024-02-29 00:00:00") + ", 12)"), "2025-02-28 00:00:00"},
        {shown("add_months(" + day("2024-02-29 00:00:00") + ", 1)"), "2024-03-31 00:00:00"},
        {shown("add_months(" + day("2024-01-15 10:30:00") + ", -13)"), "2022-12-15 10:30:00"},
        {shown("add_months(" + day("9999-12-01 00:00:00") + ", 1)"), "ORA-01841"},
        {"add_months(null, 1)", kNull},
        {shown("last_day(" + day("2024-02-10 08:00:00") + ")"), "2024-02-29 08:00:00"},
        {shown("last_day(" + day("2023-12-01 00:00:00") + ")"), "2023-12-31 00:00:00"},
        {"months_between(" + day("2024-03-31 00:00:00") + ", " + day("2024-02-29 12:00:00") + ")",
         "1"},
        {"months_between(" + day("2024-01-15 00:00:00") + ", " + day("2024-03-15 00:00:00") + ")",
         "-2"},
        {"round(months_between(" + day("1995-02-02 00:00:00") + ", " + day("1995-01-01 00:00:00")
             + "), 8)",
         "1.03225806"},
        {"round(months_between(" + day("2024-01-02 12:00:00") + ", " + day("2024-01-01 00:00:00")
             + ") * 62, 8)",
         "3"},
        {"months_between(null, sysdate)", kNull},
        {shown("next_day(" + day("2024-06-05 09:00:00") + ", 'MONDAY')"), "2024-06-10 09:00:00"},
        {shown("next_day(" + day("2024-06-10 00:00:00") + ", 'mon')"), "2024-06-17 00:00:00"},
        {"next_day(sysdate, 'someday')", "ORA-01846"},
        {shown("trunc(" + d + ", 'MM')"), "2024-08-01 00:00:00"},
        {shown("trunc(" + d + ", 'mon')"), "2024-08-01 00:00:00"},
        {shown("trunc(" + d + ", 'YYYY')"), "2024-01-01 00:00:00"},
        {shown("trunc(" + d + ", 'YEAR')"), "2024-01-01 00:00:00"},
        {shown("trunc(" + d + ", 'Q')"), "2024-07-01 00:00:00"},
        {shown("trunc(" + d + ", 'DD')"), "2024-08-17 00:00:00"},
        {shown("trunc(" + d + ")"), "2024-08-17 00:00:00"},
        {shown("trunc(" + d + ", 'HH24')"), "2024-08-17 15:00:00"},
        {shown("trunc(" + d + ", 'HH')"), "2024-08-17 15:00:00"},
        {shown("trunc(" + d + ", 'MI')"), "2024-08-17 15:45:00"},
        {shown("trunc(" + d + ", 'D')"), "2024-08-11 00:00:00"},
        {shown("trunc(" + d + ", 'DAY')"), "2024-08-11 00:00:00"},
        {shown("trunc(" + d + ", 'IW')"), "2024-08-12 00:00:00"},
        {shown("trunc(" + d + ", 'WW')"), "2024-08-12 00:00:00"},
        {shown("trunc(" + day("2024-08-11 10:00:00") + ", 'WW')"), "2024-08-05 00:00:00"},
        {shown("trunc(" + d + ", 'IYYY')"), "2024-01-01 00:00:00"},
        {shown("trunc(" + day("2021-01-02 00:00:00") + ", 'IYYY')"), "2019-12-30 00:00:00"},
        {shown("trunc(" + day("2024-12-31 00:00:00") + ", 'IY')"), "2024-12-30 00:00:00"},
        {shown("trunc(" + d + ", 'CC')"), "2001-01-01 00:00:00"},
        {shown("trunc(" + d + ", 'W')"), "2024-08-15 00:00:00"},
        {shown("trunc(" + d + ", 'bogus')"), "ORA-01899"},
        {shown("trunc(" + d + ", 'SS')"), "ORA-01899"},
        {shown("trunc(to_date(null), 'MM')"), kNull},
        {shown("round(" + d + ", 'MM')"), "2024-09-01 00:00:00"},
        {shown("round(" + day("2024-08-15 23:00:00") + ", 'MM')"), "2024-08-01 00:00:00"},
        {shown("round(" + d + ", 'YYYY')"), "2025-01-01 00:00:00"},
        {shown("round(" + day("2024-06-30 23:59:59") + ", 'YEAR')"), "2024-01-01 00:00:00"},
        {shown("round(" + d + ", 'Q')"), "2024-10-01 00:00:00"},
        {shown("round(" + day("2024-08-15 00:00:00") + ", 'Q')"), "2024-07-01 00:00:00"},
        {shown("round(" + d + ", 'DD')"), "2024-08-18 00:00:00"},
        {shown("round(" + day("2024-08-17 11:59:59") + ")"), "2024-08-17 00:00:00"},
        {shown("round(" + d + ", 'HH24')"), "2024-08-17 16:00:00"},
        {shown("round(" + d + ", 'MI')"), "2024-08-17 15:46:00"},
        {shown("round(" + d + ", 'DAY')"), "2024-08-18 00:00:00"},
        {shown("round(" + day("2024-08-13 00:00:00") + ", 'DAY')"), "2024-08-11 00:00:00"},
        {"extract(year from " + d + ") || '-' || extract(month from " + d
             + ") || '-' || extract(day from " + d + ")",
         "2024-8-17"},
        {"extract(hour from " + d + ")", "ORA-30076"},
        {"extract(year from to_date(null))", kNull},
        {"extract(year, sysdate)", "PLS-00103"},
        {"substr(systimestamp, 1, 28)", "15-MAR-26 02.05.09.000000 PM"},
        {"add_months(sysdate)", "PLS-00306"},
    });
}

TEST_F(Builtins, Conversions)
{
    const std::string d = day("2024-08-17 15:45:30");
    check({
        {"to_char(" + d + ", 'Day DD Month YYYY')", "Saturday  17 August    2024"},
        {"to_char(" + d + ", 'fmDay, DD Mon YYYY HH:MI AM')", "Saturday, 17 Aug 2024 3:45 PM"},
        {"to_char(" + d + ", 'DY D DDD Q WW IW J')", "SAT 7 230 3 33 33 2460540"},
        {"to_char(1234.5, 'FM9,999.00')", "1,234.50"},
        {"to_char(-0.5, '990.99')", "  -0.50"},
        {"to_char(12, '0000')", " 0012"},
        {"to_char(255, 'XX')", " FF"},
        {"to_number('1,234.50', '9G999D99')", "1234.5"},
        {"to_number('  42 ')", "42"},
        {"to_number('abc')", "ORA-06502"},
        {"to_char(to_date('07-DEC-2026', 'DD-MON-YYYY'), 'YYYY-MM-DD')", "2026-12-07"},
        {"to_char(null, 'YYYY')", kNull},
    });
}

TEST_F(Builtins, NullFunctions)
{
    check({
        {"nvl2(null, 'a', 'b') || nvl2(1, 'a', 'b')", "ba"},
        {"nvl2(1, null, 'b')", kNull},
        {"coalesce(null, null, 'c', 1/0)", "c"},
        {"coalesce(null, '', null)", kNull},
        {"coalesce(null, 1/0)", "ORA-01476"},
        {"coalesce(1)", "PLS-00306"},
        {"nullif(1, 1)", kNull},
        {"nullif('a', 'b')", "a"},
        {"nullif(null, 'b')", kNull},
        {"decode(null, null, 'null matched', 'other')", "null matched"},
        {"decode(2, 1, 'one', 2, 'two', 'many')", "two"},
        {"decode(3, 1, 'one', 2, 'two')", kNull},
        {"decode(3, 1, 'one', 'default')", "default"},
        {"decode(1, 1, 'one', 0, 1/0)", "one"},
        {"decode(1, 2, 'x', 1, 'y', 1/0)", "y"},
        {"decode(1, '1', 'text one matches')", "text one matches"},
        {"decode(1, 2)", "PLS-00306"},
        {"decode(1, 1, x => 2)", "PLS-00306"},
    });
}

TEST_F(Builtins, CaseExpressionsAndStatements)
{
    check({
        {"case 2 when 1 then 'a' when 2 then 'b' end", "b"},
        {"case 3 when 1 then 'a' end", kNull},
        {"case when 1 > 2 then 'x' when 2 > 1 then 'y' else 'z' end", "y"},
        {"case null when null then 'matched' else 'not' end", "not"},
        {"case when null then 'x' else 'unknown is not true' end", "unknown is not true"},
        {"case 1 when 1 then 'first' when 1/0 then 'never' end", "first"},
        {"case 1 + 1 when 2 then case when 1 = 1 then 'inner' end end || '!'", "inner!"},
        {"case when 1 then 'x' end", "PLS-00382"},
        {"case 1 when 1 then 'x'", "PLS-00103"},
        {"begin case 5 when 1 then :r := 'one'; when 5 then :r := 'five'; end case; end;", "five"},
        {"begin case when 1 = 2 then :r := 'a'; else :r := 'else'; end case; end;", "else"},
        {"begin case 5 when 1 then :r := 'one'; end case; end;", "ORA-06592"},
        {"begin case when null then :r := 'x'; end case; end;", "ORA-06592"},
        {"begin case 1 when 2 then null; end case; exception when case_not_found then :r := "
         "sqlerrm; end;",
         "ORA-06592: CASE not found while executing CASE statement"},
        {"declare n number := 0; begin for i in 1 .. 4 loop case mod(i, 2) when 0 then n := n + i; "
         "else null; "
         "end case; end loop; :r := n; end;",
         "6"},
        {"begin case 1 when 1 then :r := 'x'; end; end;", "PLS-00103"},
    });
}

TEST_F(Builtins, ErrorFunctions)
{
    check({
        {"begin :r := 1/0; exception when others then :r := sqlcode; end;", "-1476"},
        {"begin :r := sqlcode; end;", "0"},
        {"begin :r := 1/0; exception when others then :r := dbms_utility.format_error_stack; end;",
         "ORA-01476: divisor is equal to zero\n"},
        {"begin raise_application_error(-20001, 'custom'); exception when others then "
         ":r := dbms_utility.format_error_stack; end;",
         "ORA-20001: custom\n"},
        {"begin :r := nvl(dbms_utility.format_error_stack, 'none'); end;", "none"},
        {"dbms_utility.no_such_thing", "PLS-00302"},
    });
}

// A stored procedure keeps a name that a standard function also has.
TEST_F(Builtins, StoredProcedureNamedLikeAFunction)
{
    run(*session,
        "create procedure log(m in varchar2, n out varchar2) is begin n := 'logged ' || m; end;");
    check({
        {"declare t varchar2(20); begin log('x', t); :r := t || ' ' || log(2, 4); end;",
         "logged x 2"},
    });
}

} // namespace

} // namespace vexmoor::engine
