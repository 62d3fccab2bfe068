// Oracle's limits on numbers, texts and names, and the bounds a harness puts
// on a session: each statement either gives its value or raises the error
// Oracle raises, never a wrapped, truncated or undefined result.
#include "EngineSession.h"

#include <chrono>

namespace vexmoor::engine {

namespace {

struct Case {
    std::string statement; // a block that assigns :r, when it succeeds
    int error = 0;         // the ORA number, 0 when it succeeds
    std::string result;    // what :r reads when it succeeds
};

std::string repeated(char c, std::size_t count)
{
    return std::string(count, c);
}

// A block giving :r the length of a text of `bytes` bytes built by doubling.
std::string textOfLength(std::size_t bytes)
{
    return "declare s varchar2(32767) := 'x'; begin"
           " while length(s) * 2 <= "
           + std::to_string(bytes)
           + " loop s := s || s; end loop;"
             " s := s || substr(s, 1, "
           + std::to_string(bytes)
           + " - length(s));"
             " :r := length(s); end;";
}

std::vector<Case> limitCases()
{
    const std::string nines38 = "9." + repeated('9', 37);
    const std::string name128 = repeated('a', 128);
    const std::string name129 = repeated('a', 129);
    return {
        // NUMBER: 1e-130 up to below 1e126.
        {"begin :r := 1e400; end;", 1426, ""},
        {"begin :r := to_number('1e400'); end;", 1426, ""},
        {"begin :r := 1e125 * 1e125; end;", 1426, ""},
        {"begin :r := -1e125 * 10; end;", 1426, ""},
        {"begin :r := 10 ** 200; end;", 1426, ""},
        {"begin :r := 1e125 * 9; end;", 0, "9.0000000000E+125"},
        {"begin :r := 1e-100 * 1e-100; end;", 0, "0"},
        {"begin :r := 1e-131; end;", 0, "0"},
        {"begin :r := 1e-130; end;", 0, "1.0000000000E-130"},
        // 38 significant digits: 38 nines stay below 1e126, a 39th rounds up to it.
        {"declare n number := " + nines38
             + "e125; begin if n > 9.99e125 then :r := 'kept'; end if; end;",
         0, "kept"},
        {"declare n number := " + nines38
             + "4e125; begin if n > 9.99e125 then :r := 'kept'; end if; end;",
         0, "kept"},
        {"begin :r := " + nines38 + "9e125; end;", 1426, ""},
        {"begin :r := to_number('" + nines38 + "9e125'); end;", 1426, ""},
        // PLS_INTEGER: 32 bits, whatever the result is assigned to.
        {"declare p pls_integer := 2147483647; begin p := p + 1; end;", 1426, ""},
        {"declare p binary_integer := -2147483647; n number; begin n := p - 2; end;", 1426, ""},
        {"begin :r := 2147483647 + 1; end;", 1426, ""},
        {"begin :r := 1024 * 1024 * 1024 * 2; end;", 1426, ""},
        {"declare p pls_integer; begin p := 2147483648; end;", 1426, ""},
        {"declare p pls_integer := 2147483647; begin :r := p + 1.0; end;", 0, "2147483648"},
        {"declare i integer := 2147483647; begin :r := i + 1; end;", 0, "2147483648"},
        {"declare p pls_integer := -2147483648; begin :r := p; end;", 0, "-2147483648"},
        {"begin for i in 1 .. 1e10 loop null; end loop; end;", 1426, ""},
        // Built-ins whose arguments Oracle declares PLS_INTEGER.
        {"begin :r := sqlerrm(-1e20); end;", 1426, ""},
        {"begin :r := sqlerrm(1e20); end;", 1426, ""},
        {"begin :r := sqlerrm(-2147483648); end;", 0,
         "ORA-2147483648: Message 2147483648 not found"},
        {"begin raise_application_error(-1e20, 'x'); end;", 1426, ""},
        {"begin :r := substr('abc', 1e20); end;", 1426, ""},
        {"begin :r := substr('abc', 2, 1e10); end;", 1426, ""},
        {"begin :r := substr('abc', -2147483648); end;", 0, ""},
        {"begin :r := round(1.5, 1e10); end;", 1426, ""},
        {"begin :r := round(1.5, 400); end;", 0, "1.5"},
        {"begin :r := round(5000, -4); end;", 0, "10000"},
        {"begin :r := round(5000, -400); end;", 0, "0"},
        {"begin :r := trunc(1234.5, -300); end;", 0, "0"},
        {"begin :r := trunc(1000, -3); end;", 0, "1000"},
        {"begin :r := to_char(to_date('2000-01-01', 'YYYY-MM-DD') + 1e30); end;", 1841, ""},
        // VARCHAR2: at most 32,767 bytes.
        {textOfLength(32767), 0, "32767"},
        {textOfLength(32768), 6502, ""},
        // Names: at most 128 bytes, quoted or not.
        {"declare " + name128 + " number := 1; begin :r := " + name128 + "; end;", 0, "1"},
        {"declare \"" + name128 + "\" number := 1; begin :r := \"" + name128 + "\"; end;", 0, "1"},
        {"declare " + name129 + " number := 1; begin :r := 1; end;", 6550, ""},
        {"declare \"" + name129 + "\" number := 1; begin :r := 1; end;", 6550, ""},
    };
}

class Limits : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();
};

TEST_F(Limits, EachStatementGivesOraclesValueOrError)
{
    for (const Case& c : limitCases()) {
        SCOPED_TRACE(c.statement.substr(0, 160));
        StringBind result(4000);
        int code = 0;
        std::string message;
        try {
            auto statement = session->prepare(c.statement);
            if (c.statement.find(":r") != std::string::npos)
                statement->bind(":r", result.buffer());
            statement->execute();
        } catch (const OraError& error) {
            code = error.code();
            message = error.message();
        }
        EXPECT_EQ(code, c.error) << message;
        if (c.error == 0 && !c.result.empty()) {
            EXPECT_EQ(result.text(), c.result);
        }
    }
}

TEST_F(Limits, ErrorsCarryOraclesTexts)
{
    const std::string name = repeated('b', 129);
    EXPECT_EQ(failure(*session, "declare " + name + " number; begin null; end;").message(),
              "ORA-06550: line 1, column 9:\nPLS-00114: identifier '" + repeated('B', 129)
                  + "' too long");
    EXPECT_EQ(
        firstLine(failure(*session, "begin if 1e125 * 10 > 0 then null; end if; end;").message()),
        "ORA-01426: numeric overflow");
    EXPECT_EQ(
        firstLine(
            failure(*session,
                    "declare s varchar2(32767) := 'x'; begin loop s := s || s; end loop; end;")
                .message()),
        "ORA-06502: PL/SQL: numeric or value error: character string buffer too small");
}

// An unconstrained VARCHAR2 parameter stops at 32,767 bytes instead of
// growing until memory runs out.
TEST_F(Limits, AnUnconstrainedParameterStopsAtTheVarchar2Limit)
{
    run(*session,
        "create procedure grow(s in out varchar2) is begin loop s := s || s; end loop; end;");
    const OraError error = failure(*session, "declare t varchar2(100) := 'x'; begin grow(t); end;");
    EXPECT_EQ(firstLine(error.message()),
              "ORA-06502: PL/SQL: numeric or value error: character string buffer too small");
}

TEST_F(Limits, TheStepBudgetEndsEveryLoopEvenOneThatHandlesTheError)
{
    session->setLimits(ExecutionLimits{1000, std::nullopt});
    for (const std::string& block : {
             std::string("begin loop null; end loop; end;"),
             std::string(
                 "begin loop begin null; exception when others then null; end; end loop; end;"),
             std::string("declare n number := 0; begin while true loop n := n + 1; end loop; end;"),
         }) {
        EXPECT_EQ(firstLine(failure(*session, block).message()),
                  "ORA-02393: exceeded call limit on CPU usage")
            << block;
    }
    // The budget counts per execution: a statement under it runs every time.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(value(*session, "declare n number := 0; begin for i in 1 .. 900 loop n := n + 1; "
                                  "end loop; :r := n; end;"),
                  "900");
}

// NULL is dbms_pipe's default timeout, maxwait: the receive waits as long as
// without a timeout (here the session's longest wait), where 0 does not wait.
TEST_F(Limits, ANullTimeoutWaitsAsLongAsTheDefault)
{
    using std::chrono::steady_clock;
    const auto longest = std::chrono::milliseconds{300};
    session->setLimits(ExecutionLimits{0, longest});
    for (const std::string& call : {std::string("dbms_pipe.receive_message('nothing', null)"),
                                    std::string("dbms_pipe.receive_message('nothing')")}) {
        const auto start = steady_clock::now();
        EXPECT_EQ(eval(*session, call), "1") << call;
        EXPECT_GE(steady_clock::now() - start, longest) << call;
    }
    EXPECT_EQ(eval(*session, "dbms_pipe.receive_message('nothing', 0)"), "1");
}

} // namespace

} // namespace vexmoor::engine
