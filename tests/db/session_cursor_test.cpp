// OciSession and OciCursor on both backends: the embedded engine, and the
// Oracle client backend loaded from the stand-in client library through
// $VEXMOOR_OCI_LIBRARY.

#include "DbTestSupport.h"

#include "db/DataArea.h"
#include "db/ErrorReport.h"
#include "db/Oci.h"
#include "db/OciCursor.h"
#include "db/OciSession.h"
#include "standin/StandInStatistics.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include <dlfcn.h>

namespace vexmoor::db {

namespace {

namespace oci = vexmoor::db::oci;

enum class Backend { Embedded, OracleClient };

std::string backendName(const testing::TestParamInfo<Backend>& info)
{
    return info.param == Backend::Embedded ? "Embedded" : "OracleClient";
}

// A temporary database folder; the client backend finds the stand-in.
class DbFixture : public testing::Test {
protected:
    // Runs a block on its own cursor, with no binds.
    static void run(OciSession& session, const std::string& block)
    {
        OciCursor cursor(session);
        cursor.SetStatement(block);
        cursor.Execute(true);
    }

    test::ScratchFolder folder_;
    ScopedEnvironment library_{"VEXMOOR_OCI_LIBRARY", std::string(VEXMOOR_STANDIN_CLIENT)};
};

class SessionCursorTest : public DbFixture, public testing::WithParamInterface<Backend> {
protected:
    std::string connectString() const
    {
        const std::string file = (folder_.path() / "trace.db").string();
        return GetParam() == Backend::Embedded ? "embedded:" + file : file;
    }

    std::unique_ptr<OciSession> logOn(const std::string& user = "vexmoor",
                                      const std::string& password = "vexmoor")
    {
        auto session = std::make_unique<OciSession>();
        EXPECT_TRUE(session->LogOn(user, password, connectString())) << session->ErrorText();
        return session;
    }
};

TEST_P(SessionCursorTest, WrongPasswordFailsThenTheSameSessionLogsOn)
{
    OciSession session;
    EXPECT_FALSE(session.LogOn("vexmoor", "wrong", connectString()));
    EXPECT_FALSE(session.isLoggedOn());
    EXPECT_EQ(session.ErrorText(), "ORA-01017: invalid username/password; logon denied");

    EXPECT_TRUE(session.LogOn("VEXMOOR", "vexmoor", connectString())) << session.ErrorText();
    EXPECT_TRUE(session.isLoggedOn());
    EXPECT_EQ(oci::returnCode(session.logonArea()), 0);
}

TEST_P(SessionCursorTest, CursorRunsStatementsInTurnWithIntegerAndStringBinds)
{
    auto session = logOn();
    OciCursor cursor(*session);

    char text[2000] = "trace line with 'quotes'";
    std::int32_t number = -42;
    std::int32_t status = 99;
    std::int16_t textIndicator = 0;
    std::int16_t numberIndicator = 0;
    std::int16_t statusIndicator = 0;
    cursor.SetStatement("begin dbms_pipe.pack_message(:num); dbms_pipe.pack_message(:chr); "
                        ":sta := dbms_pipe.send_message('db_test'); end;");
    cursor.Bind(":num", &number, sizeof number, oci::kTypeInteger, &numberIndicator);
    cursor.Bind(":chr", text, sizeof text, oci::kTypeString, &textIndicator);
    cursor.Bind(":sta", &status, sizeof status, oci::kTypeInteger, &statusIndicator);
    ASSERT_TRUE(cursor.Execute(true));
    EXPECT_EQ(status, 0);

    status = 99;
    cursor.SetStatement("begin :sta := dbms_pipe.receive_message('db_test', 0); end;");
    cursor.Bind(":sta", &status, sizeof status, oci::kTypeInteger, &statusIndicator);
    ASSERT_TRUE(cursor.Execute(true));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(statusIndicator, 0);

    number = 0;
    std::memset(text, 'x', sizeof text);
    cursor.SetStatement(
        "begin dbms_pipe.unpack_message(:num); dbms_pipe.unpack_message(:chr); end;");
    cursor.Bind(":num", &number, sizeof number, oci::kTypeInteger, &numberIndicator);
    cursor.Bind(":chr", text, sizeof text, oci::kTypeString, &textIndicator);
    ASSERT_TRUE(cursor.Execute(true));
    EXPECT_EQ(number, -42);
    EXPECT_STREQ(text, "trace line with 'quotes'");
    EXPECT_EQ(textIndicator, 0);

    // The pipe is empty now: the same receive text again, on the same cursor.
    cursor.SetStatement("begin :sta := dbms_pipe.receive_message('db_test', 0); end;");
    cursor.Bind(":sta", &status, sizeof status, oci::kTypeInteger, &statusIndicator);
    ASSERT_TRUE(cursor.Execute(true));
    EXPECT_EQ(status, 1);
}

TEST_P(SessionCursorTest, NullResultSetsTheIndicatorAndLeavesTheBuffer)
{
    auto session = logOn();
    OciCursor cursor(*session);
    char text[16] = "old";
    std::int16_t indicator = 0;
    cursor.SetStatement("begin :chr := null; end;");
    cursor.Bind(":chr", text, sizeof text, oci::kTypeString, &indicator);
    ASSERT_TRUE(cursor.Execute(true));
    EXPECT_EQ(indicator, -1);
    EXPECT_STREQ(text, "old");

    // And a NULL going in: indicator -1 on an input bind.
    std::int32_t wasNull = 0;
    std::int16_t inIndicator = -1;
    std::int16_t outIndicator = 0;
    cursor.SetStatement("begin if :chr is null then :res := 1; else :res := 2; end if; end;");
    cursor.Bind(":chr", text, sizeof text, oci::kTypeString, &inIndicator);
    cursor.Bind(":res", &wasNull, sizeof wasNull, oci::kTypeInteger, &outIndicator);
    ASSERT_TRUE(cursor.Execute(true));
    EXPECT_EQ(wasNull, 1);
}

TEST_P(SessionCursorTest, FailedSilentExecuteLeavesTheCursorUsable)
{
    auto session = logOn();
    OciCursor cursor(*session);
    char text[32] = "";
    std::int16_t indicator = 0;
    cursor.SetStatement(
        "begin dbms_pipe.unpack_message(:chr); end;"); // nothing received: ORA-06556
    cursor.Bind(":chr", text, sizeof text, oci::kTypeString, &indicator);
    EXPECT_FALSE(cursor.Execute(false));

    cursor.SetStatement("begin this is not pl/sql; end;");
    EXPECT_FALSE(cursor.Execute(false));

    cursor.SetStatement("begin :chr := 'next one runs'; end;");
    cursor.Bind(":chr", text, sizeof text, oci::kTypeString, &indicator);
    EXPECT_TRUE(cursor.Execute(false));
    EXPECT_STREQ(text, "next one runs");
}

TEST_P(SessionCursorTest, BindsAreNotCarriedOverToTheNextRound)
{
    auto session = logOn();
    OciCursor cursor(*session);
    const std::string block = "begin :a := :b; end;";
    {
        std::int32_t a = 0;
        std::int32_t b = 7;
        std::int16_t indicators[2] = {0, 0};
        cursor.SetStatement(block);
        cursor.Bind(":a", &a, sizeof a, oci::kTypeInteger, &indicators[0]);
        cursor.Bind(":b", &b, sizeof b, oci::kTypeInteger, &indicators[1]);
        ASSERT_TRUE(cursor.Execute(true));
        EXPECT_EQ(a, 7);
    }
    // The same text again with :b left unbound: the earlier round's buffer
    // is gone and must not be read.
    std::int32_t a = 0;
    std::int16_t indicator = 0;
    cursor.SetStatement(block);
    cursor.Bind(":a", &a, sizeof a, oci::kTypeInteger, &indicator);
    EXPECT_FALSE(cursor.Execute(false));
}

TEST_P(SessionCursorTest, EachRoundUsesTheBuffersItBound)
{
    // Two cursors of one session run one text, so the session may keep one
    // statement for both: every round must still read and write the buffers
    // bound in that round, not those of the round before.
    auto session = logOn();
    OciCursor first(*session);
    OciCursor second(*session);
    struct Buffers {
        std::int32_t a = 0;
        std::int32_t b = 0;
        std::int16_t indicators[2] = {0, 0};
    };
    std::array<Buffers, 3> buffers;
    struct Round {
        OciCursor* cursor;
        std::size_t buffers;
        std::int32_t in;
    };
    const Round rounds[] = {
        {&first, 0, 10}, {&second, 1, 20}, {&first, 0, 30}, {&first, 2, 40}, {&second, 1, 50}};
    for (const Round& round : rounds) {
        Buffers& bound = buffers[round.buffers];
        bound.a = 0;
        bound.b = round.in;
        round.cursor->SetStatement("begin :a := :b + 1; end;");
        round.cursor->Bind(":a", &bound.a, sizeof bound.a, oci::kTypeInteger, &bound.indicators[0]);
        round.cursor->Bind(":b", &bound.b, sizeof bound.b, oci::kTypeInteger, &bound.indicators[1]);
        ASSERT_TRUE(round.cursor->Execute(true));
        EXPECT_EQ(bound.a, round.in + 1) << "round with input " << round.in;
    }
}

// A cursor that runs its text again may skip finding the session's statement
// for it; it must not skip noticing that the session's statements changed in
// between: emptied by many other texts, or the same text bound to other
// names by another cursor.
TEST_P(SessionCursorTest, RepeatedRoundSeesTheSessionsStatementsChangedInBetween)
{
    auto session = logOn();
    OciCursor first(*session);
    OciCursor second(*session);
    const std::string block = "begin :a := :b + 1; end;";
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int16_t indicators[2] = {0, 0};
    const auto firstRound = [&](std::int32_t in) {
        a = 0;
        b = in;
        first.SetStatement(block);
        first.Bind(":a", &a, sizeof a, oci::kTypeInteger, &indicators[0]);
        first.Bind(":b", &b, sizeof b, oci::kTypeInteger, &indicators[1]);
        ASSERT_TRUE(first.Execute(true));
        EXPECT_EQ(a, in + 1);
    };
    std::int32_t other = 0;
    std::int16_t otherIndicator = 0;
    const auto secondRoundWithoutB = [&] {
        second.SetStatement(block);
        second.Bind(":a", &other, sizeof other, oci::kTypeInteger, &otherIndicator);
        EXPECT_FALSE(second.Execute(false)) << ":b is not bound in this round";
    };

    firstRound(1);
    for (int i = 0; i < 100; ++i) {
        second.SetStatement("begin :a := " + std::to_string(i) + "; end;");
        second.Bind(":a", &other, sizeof other, oci::kTypeInteger, &otherIndicator);
        ASSERT_TRUE(second.Execute(true));
        ASSERT_EQ(other, i);
    }
    firstRound(2);

    secondRoundWithoutB();
    firstRound(3);
    secondRoundWithoutB();
    EXPECT_EQ(b, 3) << "the other cursor's round must not touch this cursor's buffers";
}

TEST_P(SessionCursorTest, ExecuteErrorSetsTheAreaFieldsAndTheWholeText)
{
    auto session = logOn();
    std::array<oci::ub1, oci::kCursorAreaSize> cda{};
    ASSERT_EQ(oci::oopen(cda.data(), session->logonArea(), nullptr, -1, -1, nullptr, -1), 0);
    const std::string block = "begin\n  :sta := dbms_pipe.receive_message('p', 0)\nend;";
    ASSERT_EQ(oci::oparse(cda.data(), block.c_str(), -1, 1, 2), 0);
    std::int32_t status = 0;
    std::int16_t indicator = 0;
    ASSERT_EQ(oci::obndrv(cda.data(), ":sta", -1, reinterpret_cast<oci::ub1*>(&status),
                          sizeof status, 3, -1, &indicator, nullptr, -1, -1),
              0);
    EXPECT_NE(oci::oexec(cda.data()), 0);
    EXPECT_EQ(oci::functionCode(cda.data()), 4);
    EXPECT_EQ(oci::returnCode(cda.data()), 6550);
    // The missing ';' is noticed at "end", which starts at offset 50.
    EXPECT_EQ(oci::parseErrorOffset(cda.data()), block.find("end;"));

    std::array<char, 512> text{};
    oci::oerhms(session->logonArea(), oci::returnCode(cda.data()), text.data(), 512);
    const std::string message = text.data();
    EXPECT_EQ(message.rfind("ORA-06550: line 3, column 1:\nPLS-00103: ", 0), 0u) << message;
    EXPECT_EQ(message.back() == '\n', false) << "no trailing line end";

    EXPECT_EQ(oci::oclose(cda.data()), 0);
    EXPECT_EQ(oci::functionCode(cda.data()), 16);
    EXPECT_EQ(oci::returnCode(cda.data()), 0);
}

// The layer remembers the cursor of its last call; a closed cursor, or one
// whose area was opened again, must be forgotten with it: a stale copy of
// its area reaches nothing.
TEST_P(SessionCursorTest, CopyOfAClosedCursorsAreaReachesNoCursor)
{
    auto session = logOn();
    const std::string block = "begin null; end;";
    for (const bool reopen : {false, true}) {
        std::array<oci::ub1, oci::kCursorAreaSize> cda{};
        ASSERT_EQ(oci::oopen(cda.data(), session->logonArea(), nullptr, -1, -1, nullptr, -1), 0);
        ASSERT_EQ(oci::oparse(cda.data(), block.c_str(), -1, 1, 2), 0);
        ASSERT_EQ(oci::oexec(cda.data()), 0);
        const auto stale = cda;
        if (reopen) {
            ASSERT_EQ(oci::oopen(cda.data(), session->logonArea(), nullptr, -1, -1, nullptr, -1),
                      0);
        } else {
            ASSERT_EQ(oci::oclose(cda.data()), 0);
        }
        auto copy = stale;
        EXPECT_NE(oci::oexec(copy.data()), 0) << "reopen " << reopen;
        EXPECT_EQ(oci::returnCode(copy.data()), 1001) << "reopen " << reopen;
        if (reopen) {
            EXPECT_EQ(oci::oclose(cda.data()), 0);
        }
    }
}

TEST_P(SessionCursorTest, TwoSessionsOnOneFileShareTheirPipes)
{
    auto sender = logOn();
    auto receiver = logOn("system", "manager");
    run(*sender, "begin dbms_pipe.pack_message('hello'); "
                 "if dbms_pipe.send_message('shared') <> 0 then raise_application_error(-20001, "
                 "'x'); end if; end;");

    OciCursor cursor(*receiver);
    std::int32_t status = 9;
    std::int16_t indicator = 0;
    cursor.SetStatement("begin :sta := dbms_pipe.receive_message('shared', 0); end;");
    cursor.Bind(":sta", &status, sizeof status, oci::kTypeInteger, &indicator);
    ASSERT_TRUE(cursor.Execute(true));
    EXPECT_EQ(status, 0);
}

TEST_P(SessionCursorTest, DeletedSessionLeavesOtherSessionsWorking)
{
    auto first = logOn();
    auto second = logOn();
    first.reset();
    auto third = logOn();
    // Each surviving session still runs statements and gets their results:
    // the second sends on a pipe, the third receives what it sent.
    const auto execute = [](OciSession& session, const std::string& block, std::int32_t& result) {
        OciCursor cursor(session);
        std::int16_t indicator = 0;
        result = -99;
        cursor.SetStatement(block);
        cursor.Bind(":res", &result, sizeof result, oci::kTypeInteger, &indicator);
        return cursor.Execute(false);
    };
    std::int32_t sent = -99;
    ASSERT_TRUE(execute(*second,
                        "begin dbms_pipe.pack_message(41); "
                        ":res := dbms_pipe.send_message('after_delete'); end;",
                        sent));
    EXPECT_EQ(sent, 0);
    std::int32_t received = -99;
    ASSERT_TRUE(
        execute(*third,
                "declare n number; begin :res := dbms_pipe.receive_message("
                "'after_delete', 0); dbms_pipe.unpack_message(n); :res := :res + n + 1; end;",
                received));
    EXPECT_EQ(received, 42) << "status 0, then the number 41 plus one";
}

// A break from another thread stops what the session runs: a statement ends
// with ORA-01013, a waiting dbms_pipe call returns 3 and sends nothing. The
// session then runs the next statement as usual.
TEST_P(SessionCursorTest, BreakStopsWhatTheSessionRunsAndOnlyThat)
{
    struct Case {
        const char* block;
        int error;           // of the broken statement; 0: it ends normally
        std::int32_t status; // :sta afterwards
    };
    const Case cases[] = {
        {"begin loop null; end loop; end;", 1013, -1},
        // A handler cannot keep it going: every turn of the outer loop raises again.
        {"begin loop begin loop null; end loop; exception when others then null; end; end loop; "
         "end;",
         1013, -1},
        {"begin :sta := dbms_pipe.receive_message('silent', 100000); end;", 0, 3},
        {"begin dbms_pipe.pack_message('late'); :sta := dbms_pipe.send_message('full', 100000); "
         "end;",
         0, 3},
    };
    EXPECT_FALSE(OciSession().Break());
    auto session = logOn();
    run(*session, "declare s number := 0; begin while s = 0 loop dbms_pipe.pack_message('x'); "
                  "s := dbms_pipe.send_message('full', 0); end loop; end;");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block);
        OciCursor cursor(*session);
        std::int32_t status = -1;
        std::int16_t indicator = 0;
        cursor.SetStatement(c.block);
        if (std::string_view(c.block).find(":sta") != std::string_view::npos)
            cursor.Bind(":sta", &status, sizeof status, oci::kTypeInteger, &indicator);
        int error = -1;
        std::thread runner([&] {
            cursor.Execute(false);
            error = cursor.returnCode();
        });
        // Lets the statement start; a break that comes first stops it all the same.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(session->Break());
        runner.join();
        EXPECT_EQ(error, c.error) << cursor.ErrorText();
        EXPECT_EQ(status, c.status);

        std::int32_t next = -1;
        cursor.SetStatement("begin :sta := dbms_pipe.receive_message('silent', 0); end;");
        cursor.Bind(":sta", &next, sizeof next, oci::kTypeInteger, &indicator);
        EXPECT_TRUE(cursor.Execute(false)) << cursor.ErrorText();
        EXPECT_EQ(next, 1);
    }

    // A break while nothing runs stops the statement that comes next, and
    // only that one.
    OciCursor cursor(*session);
    ASSERT_TRUE(session->Break());
    cursor.SetStatement("begin loop null; end loop; end;");
    EXPECT_FALSE(cursor.Execute(false));
    EXPECT_EQ(cursor.returnCode(), 1013);

    std::int32_t others = -1;
    std::int16_t indicator = 0;
    cursor.SetStatement(
        "declare t varchar2(10); begin :sta := 0; while dbms_pipe.receive_message('full', 0) = 0 "
        "loop dbms_pipe.unpack_message(t); if t <> 'x' then :sta := :sta + 1; end if; end loop; "
        "end;");
    cursor.Bind(":sta", &others, sizeof others, oci::kTypeInteger, &indicator);
    ASSERT_TRUE(cursor.Execute(false)) << cursor.ErrorText();
    EXPECT_EQ(others, 0) << "the interrupted send must not have sent";
}

class SessionCursorDeathTest : public SessionCursorTest {
protected:
    // What the fatal error report says when the block fails on a cursor of
    // its own, which ends the process.
    std::string reportOfFailedBlock(const std::string& block)
    {
        auto session = logOn();
        std::string report;
        VEXMOOR_REPORT_OF_DEATH(folder_.path(), run(*session, block), report);
        return report;
    }
};

TEST_P(SessionCursorDeathTest, FailedOpenReportsOopenWithNoStatement)
{
    OciSession session; // never logged on
    std::string report;
    VEXMOOR_REPORT_OF_DEATH(folder_.path(), OciCursor cursor(session), report);
    EXPECT_EQ(report, "ORACLE Error when processing OCI function OOPEN\nORA-01012: not logged on\n"
                      "Error on position 0 in:\n");
}

TEST_P(SessionCursorDeathTest, FailedExecuteReportsTheOffsetAndTheWholeStatement)
{
    const std::string block = "begin\n  dbms_pipe.purge('p')\nend;";
    const std::string report = reportOfFailedBlock(block);
    const std::string head =
        "ORACLE Error when processing OCI function OEXEC, OEXN\nORA-06550: line 3, column 1:\n";
    EXPECT_EQ(report.rfind(head, 0), 0u) << report;
    const std::string tail =
        "\nError on position " + std::to_string(block.find("end;")) + " in:\n" + block;
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(report.substr(report.size() - tail.size()), tail) << report;
}

TEST_P(SessionCursorDeathTest, RaisedErrorKeepsItsWholeMultiLineText)
{
    const std::string block = "begin raise_application_error(-20099, 'Debug error'); end;";
    const std::string report = reportOfFailedBlock(block);
    EXPECT_EQ(
        report.rfind(
            "ORACLE Error when processing OCI function OEXEC, OEXN\nORA-20099: Debug error\n", 0),
        0u)
        << report;
    EXPECT_NE(report.find("ORA-06512: at line 1"), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.size() - block.size() - 25),
              "\nError on position 0 in:\n" + block);
}

// Both backends check a bound name against the text, as the Oracle client
// does: a name the statement lacks fails in obndrv, not later in oexec.
TEST_P(SessionCursorDeathTest, BindOfAPlaceholderTheStatementLacksReportsObndrv)
{
    const std::string block = "begin :sta := 1; /* :gone */ null; end; -- :also_gone";
    auto session = logOn();
    std::int32_t value = 0;
    std::int16_t indicator = 0;
    {
        OciCursor cursor(*session);
        cursor.SetStatement(block);
        cursor.Bind(":STA", &value, sizeof value, oci::kTypeInteger, &indicator);
        ASSERT_TRUE(cursor.Execute(true)) << "names match in any case";
        EXPECT_EQ(value, 1);
    }
    for (const char* missing : {":nowhere", ":gone", ":also_gone"}) {
        std::string report;
        VEXMOOR_REPORT_OF_DEATH(
            folder_.path(),
            {
                OciCursor cursor(*session);
                cursor.SetStatement(block);
                cursor.Bind(missing, &value, sizeof value, oci::kTypeInteger, &indicator);
            },
            report);
        EXPECT_EQ(report, "ORACLE Error when processing OCI function OBNDRV\n"
                          "ORA-01036: illegal variable name/number\nError on position 0 in:\n"
                              + block)
            << missing;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SessionCursorTest,
                         testing::Values(Backend::Embedded, Backend::OracleClient), backendName);
INSTANTIATE_TEST_SUITE_P(Backends, SessionCursorDeathTest,
                         testing::Values(Backend::Embedded, Backend::OracleClient), backendName);

// How the client backend uses the library, seen from the stand-in's counters.
class OracleClientUseTest : public DbFixture {
protected:
    static const StandInStatistics& statistics()
    {
        void* library = dlopen(VEXMOOR_STANDIN_CLIENT, RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(library, nullptr) << "the stand-in is loaded by the first logon";
        auto current =
            reinterpret_cast<StandInStatisticsFn>(dlsym(library, "StandInCurrentStatistics"));
        dlclose(library);
        return *current();
    }
};

TEST_F(OracleClientUseTest, ThreadedEnvironmentAndStatementCache)
{
    auto session = std::make_unique<OciSession>();
    ASSERT_TRUE(session->LogOn("vexmoor", "vexmoor", (folder_.path() / "trace.db").string()))
        << session->ErrorText();
    EXPECT_EQ(statistics().environmentMode & 1, 1) << "OCI_THREADED";
    EXPECT_EQ(statistics().logonMode & 4, 4) << "OCI_LOGON2_STMTCACHE";

    const int prepares = statistics().preparesFromText;
    const int hits = statistics().cacheHits;
    for (int poll = 0; poll < 3; ++poll) {
        OciCursor cursor(*session);
        std::int32_t status = 0;
        std::int16_t indicator = 0;
        cursor.SetStatement("begin :sta := dbms_pipe.receive_message('cached', 0); end;");
        cursor.Bind(":sta", &status, sizeof status, oci::kTypeInteger, &indicator);
        ASSERT_TRUE(cursor.Execute(true));
        EXPECT_EQ(status, 1);
    }
    EXPECT_EQ(statistics().preparesFromText - prepares, 1);
    EXPECT_EQ(statistics().cacheHits - hits, 2);
    EXPECT_EQ(statistics().liveStatements, 0) << "every statement went back to the cache";
}

TEST_F(OracleClientUseTest, DeletingTheSessionMakesNoLibraryCall)
{
    auto session = std::make_unique<OciSession>();
    ASSERT_TRUE(session->LogOn("vexmoor", "vexmoor", (folder_.path() / "trace.db").string()))
        << session->ErrorText();
    run(*session, "begin null; end;");
    const int calls = statistics().calls;
    const int logoffs = statistics().logoffs;
    session.reset();
    EXPECT_EQ(statistics().calls, calls);
    EXPECT_EQ(statistics().logoffs, logoffs);
}

} // namespace

} // namespace vexmoor::db
