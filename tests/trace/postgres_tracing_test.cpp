// The tracing cases of the embedded engine, run on both databases through
// the pipe channel: the embedded engine and a real PostgreSQL server with
// orafce. Then what only PostgreSQL has: orafce's item types, and a server
// that goes away mid-trace.

#include "support/EmbeddedTraceDatabase.h"

#include "db/PgSession.h"
#include "options/ProcedureInstaller.h"
#include "support/ChildProcess.h"
#include "support/PostgresServer.h"
#include "support/ScratchFolder.h"
#include "trace/OciPipeChannel.h"
#include "trace/PgPipeChannel.h"
#include "trace/PipePoller.h"
#include "trace/PipePurge.h"

#include "db/ErrorReport.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <optional>
#include <sstream>

namespace vexmoor::trace {

namespace {

using namespace vexmoor::test;
using test::PostgresEnvironment;
using test::PostgresServer;
using trace::PipeChannel;
using Lines = std::vector<std::string>;

// A database with two sessions, one that sends and one that polls.
class TraceDatabase {
public:
    virtual ~TraceDatabase() = default;
    virtual PipeChannel& polling() = 0;
    virtual PipeChannel& sending() = 0;
    // What SendDebugMessage packs (the length, then the text), packed
    // directly so that no procedure need be installed.
    virtual void sendSimple(const std::optional<std::string>& text,
                            const std::string& pipe = "vexmoor") = 0;
    // Calls an installed procedure from the database's own stored code.
    virtual void callProcedure(const std::string& procedure, const std::string& text) = 0;
};

class EmbeddedDatabase final : public TraceDatabase {
public:
    PipeChannel& polling() override { return pollingChannel_; }
    PipeChannel& sending() override { return sendingChannel_; }
    void sendSimple(const std::optional<std::string>& text, const std::string& pipe) override
    {
        // Oracle has no empty text: '' is NULL.
        runner_.SendSimple(text.value_or(""), pipe);
    }
    void callProcedure(const std::string& procedure, const std::string& text) override
    {
        runner_.Run("begin " + procedure + "(:m); end;", {{":m", text}});
    }

private:
    EmbeddedTraceDatabase database_;
    std::unique_ptr<db::OciSession> sendingSession_ = database_.LogOn();
    std::unique_ptr<db::OciSession> pollingSession_ = database_.LogOn();
    StatementRunner runner_{*sendingSession_};
    OciPipeChannel sendingChannel_{*sendingSession_};
    OciPipeChannel pollingChannel_{*pollingSession_};
};

std::unique_ptr<db::PgSession> LogOnToServer()
{
    auto session = std::make_unique<db::PgSession>();
    const PostgresServer* server = PostgresEnvironment::server();
    EXPECT_TRUE(session->logOn(PostgresServer::kRole, PostgresServer::kPassword, server->uri()))
        << session->errorText();
    return session;
}

// Runs a statement that must succeed.
void runOk(db::PgSession& session, std::string_view statement,
           std::span<const std::optional<std::string_view>> parameters = {})
{
    const auto result = session.execute(statement, parameters);
    ASSERT_TRUE(result.ok()) << result.error().message << "\n" << statement;
}

class PostgresDatabase final : public TraceDatabase {
public:
    PostgresDatabase()
    {
        runOk(*sendingSession_, "create extension if not exists orafce");
        // Pipes live in the server's shared memory: each case starts empty.
        for (const char* pipe : {"vexmoor", "o'brien", "o", "other", "alpha", "beta"})
            purgePipe(sendingChannel_, pipe);
    }
    PipeChannel& polling() override { return pollingChannel_; }
    PipeChannel& sending() override { return sendingChannel_; }
    db::PgSession& sendingSession() { return *sendingSession_; }

    void sendSimple(const std::optional<std::string>& text, const std::string& pipe) override
    {
        const std::array<std::optional<std::string_view>, 1> value{text};
        runOk(*sendingSession_, "select dbms_pipe.pack_message(length($1::text))", value);
        runOk(*sendingSession_, "select dbms_pipe.pack_message($1::text)", value);
        send(pipe);
    }
    void send(const std::string& pipe)
    {
        const std::array<std::optional<std::string_view>, 1> name{pipe};
        runOk(*sendingSession_, "select dbms_pipe.send_message($1)", name);
    }
    void callProcedure(const std::string& procedure, const std::string& text) override
    {
        // From PL/pgSQL code, as stored code calls it.
        const std::array<std::optional<std::string_view>, 1> value{text};
        runOk(*sendingSession_, "create or replace procedure vexmoor_test_caller(m text) "
                                "language plpgsql as $$ begin call "
                                    + procedure + "(m); end; $$");
        runOk(*sendingSession_, "call vexmoor_test_caller($1)", value);
    }

private:
    std::unique_ptr<db::PgSession> sendingSession_ = LogOnToServer();
    std::unique_ptr<db::PgSession> pollingSession_ = LogOnToServer();
    PgPipeChannel sendingChannel_{*sendingSession_};
    PgPipeChannel pollingChannel_{*pollingSession_};
};

enum class Database { Embedded, Postgres };

class Tracing : public ::testing::TestWithParam<Database> {
protected:
    void SetUp() override
    {
        if (GetParam() == Database::Postgres) {
            VEXMOOR_REQUIRE_POSTGRES();
            database_ = std::make_unique<PostgresDatabase>();
        } else {
            database_ = std::make_unique<EmbeddedDatabase>();
        }
        poller_ = std::make_unique<PipePoller>(database_->polling(), sink_);
    }

    Lines poll()
    {
        sink_.lines.clear();
        poller_->PollPipe();
        return sink_.lines;
    }
    base::TraceSettings& settings() { return poller_->Settings(); }
    TraceDatabase& db() { return *database_; }

    std::unique_ptr<TraceDatabase> database_;
    RecordingSink sink_;
    std::unique_ptr<PipePoller> poller_;
};

INSTANTIATE_TEST_SUITE_P(BothDatabases, Tracing,
                         ::testing::Values(Database::Embedded, Database::Postgres),
                         [](const ::testing::TestParamInfo<Database>& database) {
                             return database.param == Database::Embedded ? "Embedded" : "Postgres";
                         });

TEST_P(Tracing, OnePollReadsEveryWaitingMessageInPipeOrder)
{
    db().sendSimple("first");
    db().sendSimple("second");
    db().sendSimple("third");
    EXPECT_EQ(poll(), (Lines{"first\r\n", "second\r\n", "third\r\n"}));
    EXPECT_EQ(sink_.endsOfPoll, 1);
    EXPECT_TRUE(poll().empty());
    EXPECT_EQ(sink_.endsOfPoll, 1);
}

TEST_P(Tracing, WithoutLfFlagLinesAreJoined)
{
    settings().m_bLFFlag = false;
    db().sendSimple("ab");
    db().sendSimple("cd");
    EXPECT_EQ(poll(), (Lines{"ab", "cd"}));
    settings().m_bAutoUnpack = true;
    db().sendSimple("x");
    poll();
    EXPECT_EQ(sink_.Joined(), "MESSAGE:NUMBER:\t'1'VARCHAR2:\t'x'");
}

TEST_P(Tracing, NullAndEmptyTextsShowAsEmptyLines)
{
    db().sendSimple("before");
    db().sendSimple(std::nullopt);
    db().sendSimple("");
    db().sendSimple("after");
    EXPECT_EQ(poll(), (Lines{"before\r\n", "\r\n", "\r\n", "after\r\n"}));
}

TEST_P(Tracing, PipeNameWithAQuoteNamesThatPipe)
{
    db().sendSimple("for o'brien", "o'brien");
    db().sendSimple("for o", "o");
    settings().m_strPipeName = "o'brien";
    EXPECT_EQ(poll(), (Lines{"for o'brien\r\n"}));

    db().sendSimple("again", "o'brien");
    purgePipe(db().polling(), "o'brien");
    EXPECT_TRUE(poll().empty());
    settings().m_strPipeName = "o";
    EXPECT_EQ(poll(), (Lines{"for o\r\n"}));
}

TEST_P(Tracing, PurgeThrowsAwayWaitingMessagesOnly)
{
    purgePipe(db().polling(), "vexmoor"); // an empty pipe: silent
    db().sendSimple("gone 1");
    db().sendSimple("gone 2");
    db().sendSimple("elsewhere", "other");
    purgePipe(db().polling(), "vexmoor");
    EXPECT_TRUE(poll().empty());

    db().sendSimple("after purge");
    EXPECT_EQ(poll(), (Lines{"after purge\r\n"}));
    settings().m_strPipeName = "other";
    EXPECT_EQ(poll(), (Lines{"elsewhere\r\n"}));
}

TEST_P(Tracing, ChangedPipeNameReadsTheNewPipeOnly)
{
    settings().m_strPipeName = "alpha";
    db().sendSimple("alpha 1", "alpha");
    db().sendSimple("beta 1", "beta");
    EXPECT_EQ(poll(), (Lines{"alpha 1\r\n"}));

    settings().m_strPipeName = "beta";
    db().sendSimple("alpha 2", "alpha");
    EXPECT_EQ(poll(), (Lines{"beta 1\r\n"}));
    EXPECT_TRUE(poll().empty());

    settings().m_strPipeName = "alpha";
    EXPECT_EQ(poll(), (Lines{"alpha 2\r\n"}));
}

TEST_P(Tracing, InstalledTwiceTheProceduresCarryDebugAndTraceMessages)
{
    options::installProcedures(db().sending());
    const auto again = options::installProcedures(db().sending());
    // Installing again replaces the procedures; on Oracle only the synonyms
    // that exist already are refused.
    for (const options::RefusedStatement& refused : again)
        EXPECT_TRUE(refused.statement.starts_with("CREATE PUBLIC SYNONYM")) << refused.error;

    db().callProcedure("SendDebugMessage", "debug text");
    db().callProcedure("SendTraceMessage", "trace text");
    const Lines lines = poll();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "debug text\r\n");
    // The sender's time before ": ", whatever its format and the day the test runs.
    EXPECT_TRUE(lines[1].ends_with(": trace text\r\n")) << lines[1];
    EXPECT_GT(lines[1].size(), std::string(": trace text\r\n").size()) << lines[1];
}

class PostgresTracing : public ::testing::Test {
protected:
    void SetUp() override
    {
        VEXMOOR_REQUIRE_POSTGRES();
        database_ = std::make_unique<PostgresDatabase>();
        poller_ = std::make_unique<PipePoller>(database_->polling(), sink_);
        poller_->Settings().m_bLFFlag = false;
    }
    Lines poll()
    {
        sink_.lines.clear();
        poller_->PollPipe();
        return sink_.lines;
    }
    PostgresDatabase& db() { return *database_; }

    std::unique_ptr<PostgresDatabase> database_;
    RecordingSink sink_;
    std::unique_ptr<PipePoller> poller_;
};

// Each message is followed by a simple one that must still arrive.
TEST_F(PostgresTracing, EveryItemTypeShowsWithItsPrefixAndTracingGoesOn)
{
    runOk(db().sendingSession(), "drop type if exists vexmoor_point");
    runOk(db().sendingSession(), "create type vexmoor_point as (x integer, label text)");
    runOk(db().sendingSession(), "set timezone = 'UTC'");
    const std::string notShown =
        "MESSAGE NOT SHOWN: input of anonymous composite types is not implemented";
    struct Case {
        const char* name;
        bool autoUnpack;
        std::string packing; // statements run before the send, separated by ';'
        Lines lines;
    };
    const std::vector<Case> cases{
        {"every type code",
         true,
         "select dbms_pipe.pack_message(42.5::numeric); "
         "select dbms_pipe.pack_message('it''s'::text); "
         "select dbms_pipe.pack_message('2024-03-05'::date); "
         "select dbms_pipe.pack_message('2024-03-05 10:11:12+00'::timestamptz); "
         "select dbms_pipe.pack_message('\\x0a0b'::bytea); "
         "select dbms_pipe.pack_message(row(7, 'seven')::vexmoor_point)",
         {"MESSAGE:", "NUMBER:\t'42.5'", "VARCHAR2:\t'it's'", "DATE:\t'2024-03-05'",
          "TIMESTAMP:\t'2024-03-05 10:11:12+00'", "RAW:\t'UNKNOWN'", "RECORD:\t'(7,seven)'", ""}},
        {"empty text and what a NULL packs (nothing)",
         true,
         "select dbms_pipe.pack_message(''::text); select dbms_pipe.pack_message(null::text)",
         {"MESSAGE:", "VARCHAR2:\t''", ""}},
        {"typed message with Auto Unpack off",
         false,
         "select dbms_pipe.pack_message('x'::text)",
         {"MESSAGE:", "VARCHAR2:\t'x'", ""}},
        {"length without its text", false, "select dbms_pipe.pack_message(5)", {""}},
        {"a date where the text belongs",
         false,
         "select dbms_pipe.pack_message(1); select dbms_pipe.pack_message('2024-03-05'::date)",
         {"MESSAGE:", "NUMBER:\t'1'", "DATE:\t'2024-03-05'", ""}},
        {"a record of no named type ends its message",
         true,
         "select dbms_pipe.pack_message(1); select dbms_pipe.pack_message(row(1, 'a')); "
         "select dbms_pipe.pack_message(2)",
         {"MESSAGE:", "NUMBER:\t'1'", notShown}},
        {"the same record in the simple mode",
         false,
         "select dbms_pipe.pack_message(row(1, 'a'))",
         {"MESSAGE:", notShown}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::stringstream statements(c.packing);
        for (std::string statement; std::getline(statements, statement, ';');)
            runOk(db().sendingSession(), statement);
        db().send("vexmoor");
        db().sendSimple("next", "vexmoor");
        poller_->Settings().m_bAutoUnpack = c.autoUnpack;
        Lines expected = c.lines;
        if (c.autoUnpack)
            expected.insert(expected.end(), {"MESSAGE:", "NUMBER:\t'4'", "VARCHAR2:\t'next'", ""});
        else
            expected.push_back("next");
        EXPECT_EQ(poll(), expected);
    }
}

TEST_F(PostgresTracing, InstalledProceduresAreCallableByEveryRole)
{
    EXPECT_TRUE(options::installProcedures(db().sending()).empty());
    PostgresEnvironment::server()->runSql(
        "drop role if exists plain; create role plain login password 'plain'");
    db::PgSession plain;
    ASSERT_TRUE(plain.logOn("plain", "plain", PostgresEnvironment::server()->uri()))
        << plain.errorText();
    runOk(plain, "call SendDebugMessage('from a plain role')");
    EXPECT_EQ(poll(), (Lines{"from a plain role"}));
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The log holds what arrived before; the next poll meets the stopped server
// at once and ends in the fatal report, whose handler keeps the log.
TEST_F(PostgresTracing, ServerStoppedMidTraceEndsInTheReportWithNothingReceivedLost)
{
    db().sendSimple("one", "vexmoor");
    db().sendSimple("two", "vexmoor");
    EXPECT_EQ(poll(), (Lines{"one", "two"}));
    db().sendSimple("never received", "vexmoor");
    PostgresEnvironment::server()->stop();

    ScratchFolder folder;
    const auto recovery = folder.path() / "recovery.log";
    ChildProcess child([&] {
        db::setFatalErrorHandler([&](const std::string& report) {
            std::ofstream out(recovery);
            for (const std::string& line : sink_.lines)
                out << line << '\n';
            out << "---\n" << report;
            out.close();
            std::_Exit(3);
        });
        poller_->PollPipe();
        return 0;
    });
    const int exitCode = child.exitCode();
    PostgresEnvironment::server()->start();

    EXPECT_EQ(exitCode, 3);
    const std::string written = ReadFile(recovery);
    EXPECT_TRUE(written.starts_with("one\ntwo\n---\nPostgreSQL Error when processing PQexecParams\n"
                                    "SQLSTATE "))
        << written;
    EXPECT_NE(written.find("(the connection to the server was lost)\nError in:\n"
                           "select dbms_pipe.receive_message($1, 0)"),
              std::string::npos)
        << written;
}

} // namespace

} // namespace vexmoor::trace
