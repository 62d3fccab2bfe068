// Placeholders bound to caller buffers, as the database layer binds them.
#include "EngineSession.h"

namespace vexmoor::engine {

namespace {

class Binds : public EngineTest {
protected:
    std::unique_ptr<Session> session = logOn();
};

TEST_F(Binds, NamesMatchWithOrWithoutColonInAnyCase)
{
    IntegerBind a;
    IntegerBind b;
    auto statement = session->prepare("begin :Alpha := 1; :beta := 2; end;");
    statement->bind("ALPHA", a.buffer());
    statement->bind(":Beta", b.buffer());
    statement->execute();
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(b.value, 2);
    EXPECT_EQ(a.indicator, 0);
}

TEST_F(Binds, InputsAreReadAtTheStartAndNullByIndicator)
{
    IntegerBind in;
    in.value = 20;
    StringBind text(10, "abc");
    StringBind out(50);
    auto statement = session->prepare("begin :out := :text || (:in + 1); end;");
    statement->bind("in", in.buffer());
    statement->bind("text", text.buffer());
    statement->bind("out", out.buffer());
    statement->execute();
    EXPECT_EQ(out.text(), "abc21");

    text.indicator = -1;
    statement->execute();
    EXPECT_EQ(out.text(), "21");
}

TEST_F(Binds, NullResultSetsIndicatorAndLeavesBufferAlone)
{
    StringBind out(10, "old");
    IntegerBind number;
    number.value = 5;
    auto statement = session->prepare("begin :out := ''; :n := null; end;");
    statement->bind("out", out.buffer());
    statement->bind("n", number.buffer());
    statement->execute();
    EXPECT_TRUE(out.isNull());
    EXPECT_EQ(out.text(), "old");
    EXPECT_TRUE(number.isNull());
    EXPECT_EQ(number.value, 5);
}

TEST_F(Binds, UnassignedPlaceholdersAreNotWrittenBack)
{
    StringBind out(4);
    out.data.assign({'a', 'b', 'c', 'd'}); // no NUL: would not fit if written back
    out.indicator = 7;
    IntegerBind flag;
    auto statement = session->prepare("begin if :out is not null then :flag := 1; end if; end;");
    statement->bind("out", out.buffer());
    statement->bind("flag", flag.buffer());
    statement->execute();
    EXPECT_EQ(flag.value, 1);
    EXPECT_EQ(out.indicator, 7);
}

TEST_F(Binds, ConversionsBetweenNumbersAndText)
{
    StringBind text(20);
    IntegerBind number;
    auto statement = session->prepare("begin :t := 0.5; :n := '  41.6 '; end;");
    statement->bind("t", text.buffer());
    statement->bind("n", number.buffer());
    statement->execute();
    EXPECT_EQ(text.text(), ".5");
    EXPECT_EQ(number.value, 42);

    auto bad = session->prepare("begin :n := 'forty'; end;");
    bad->bind("n", number.buffer());
    try {
        bad->execute();
        FAIL();
    } catch (const OraError& error) {
        EXPECT_EQ(
            firstLine(error.message()),
            "ORA-06502: PL/SQL: numeric or value error: character to number conversion error");
    }
}

TEST_F(Binds, TextMustFitTheBufferWithItsNul)
{
    StringBind fits(4);
    auto ok = session->prepare("begin :s := 'abc'; end;");
    ok->bind("s", fits.buffer());
    ok->execute();
    EXPECT_EQ(fits.text(), "abc");

    StringBind small(3, "xy");
    auto tooLong = session->prepare("begin\n:s := 'abc';\nend;");
    tooLong->bind("s", small.buffer());
    try {
        tooLong->execute();
        FAIL();
    } catch (const OraError& error) {
        EXPECT_EQ(error.message(), "ORA-06502: PL/SQL: numeric or value error: character string "
                                   "buffer too small\nORA-06512: at line 2");
    }
    EXPECT_EQ(small.text(), "xy");
}

TEST_F(Binds, IntegerOverflowIsAnError)
{
    IntegerBind number;
    auto statement = session->prepare("begin :n := 3000000000; end;");
    statement->bind("n", number.buffer());
    EXPECT_THROW(statement->execute(), OraError);
}

TEST_F(Binds, UnboundAndUnknownPlaceholders)
{
    auto unbound = session->prepare("begin :a := 1; :b := 2; end;");
    IntegerBind a;
    unbound->bind("a", a.buffer());
    try {
        unbound->execute();
        FAIL();
    } catch (const OraError& error) {
        EXPECT_EQ(error.message(), "ORA-01008: not all variables bound");
    }
    EXPECT_EQ(a.value, 0); // nothing ran

    auto unknown = session->prepare("begin :a := 1; end;");
    IntegerBind extra;
    unknown->bind("a", a.buffer());
    unknown->bind("zzz", extra.buffer());
    try {
        unknown->execute();
        FAIL();
    } catch (const OraError& error) {
        EXPECT_EQ(error.code(), 1036);
    }
}

TEST_F(Binds, RebindingReplacesTheBuffer)
{
    IntegerBind first;
    IntegerBind second;
    auto statement = session->prepare("begin :x := 9; end;");
    statement->bind("x", first.buffer());
    statement->bind(":X", second.buffer());
    statement->execute();
    EXPECT_EQ(first.value, 0);
    EXPECT_EQ(second.value, 9);
}

TEST_F(Binds, SameTextPreparedAgainRunsFromTheCacheWithNewBinds)
{
    for (int i = 0; i < 3; ++i) {
        IntegerBind in;
        in.value = i;
        IntegerBind out;
        auto statement = session->prepare("begin :o := :i * 10; end;");
        statement->bind("i", in.buffer());
        statement->bind("o", out.buffer());
        statement->execute();
        EXPECT_EQ(out.value, i * 10);
    }
}

} // namespace

TEST(PlaceholderNames, OnlyRealPlaceholdersOncePerName)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"begin :a := :B + :a; end;", {"A", "B"}},
        {"begin x := ':not' || :yes; end;", {"YES"}},
        {"begin -- :not\n :v_typ := 1; /* :not */ end;", {"V_TYP"}},
        {"begin x := 1; end;", {}},
        {"begin :sta := dbms_pipe.receive_message('it''s :not', 0); end;", {"STA"}},
    };
    for (const auto& [text, names] : cases)
        EXPECT_EQ(placeholderNames(text), names) << text;
}

} // namespace vexmoor::engine
