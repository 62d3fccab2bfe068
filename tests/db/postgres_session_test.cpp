// The libpq session on a real PostgreSQL server made for this program.

#include "db/PgSession.h"

#include "support/PostgresServer.h"

#include <gtest/gtest.h>

#include <array>

namespace vexmoor::db {

namespace {

using db::PgSession;
using test::PostgresEnvironment;
using test::PostgresServer;

TEST(PostgresConnectString, OnlyLibpqUrisChooseThePostgresSession)
{
    const std::array<std::pair<const char*, bool>, 8> cases{{
        {"postgresql://localhost/appdb", true},
        {"  POSTGRES://h:5432/db ", true},
        {"postgresql:///postgres?host=/tmp/x", true},
        {"embedded", false},
        {"embedded:/tmp/postgresql://x", false},
        {"orcl", false},
        {"postgresql:", false},
        {"", false},
    }};
    for (const auto& [connect, postgres] : cases)
        EXPECT_EQ(isPostgresConnectString(connect), postgres) << connect;
}

TEST(PostgresErrorReport, NamesStepSqlStateMessageAndStatement)
{
    EXPECT_EQ(
        composePgErrorReport("PQexecParams", {"42883", "no such function", false}, "select f()"),
        "PostgreSQL Error when processing PQexecParams\nSQLSTATE 42883: no such "
        "function\nError in:\nselect f()");
    EXPECT_EQ(composePgErrorReport("", {"08006", "server closed", true}, "s"),
              "PostgreSQL Error\nSQLSTATE 08006: server closed (the connection to the server was "
              "lost)\nError in:\ns");
}

class PostgresSession : public ::testing::Test {
protected:
    void SetUp() override { VEXMOOR_REQUIRE_POSTGRES(); }
    PostgresServer& server() { return *PostgresEnvironment::server(); }
};

TEST_F(PostgresSession, WrongPasswordFailsWithLibpqsMessageAndTheSessionCanRetry)
{
    PgSession session;
    EXPECT_FALSE(session.logOn(PostgresServer::kRole, "wrong", server().uri()));
    EXPECT_FALSE(session.isLoggedOn());
    EXPECT_NE(session.errorText().find("password authentication failed"), std::string::npos)
        << session.errorText();
    ASSERT_TRUE(session.logOn(PostgresServer::kRole, PostgresServer::kPassword, server().uri()))
        << session.errorText();
    EXPECT_TRUE(session.errorText().empty());
}

TEST_F(PostgresSession, ParametersCarryQuotesAndNullAsThemselves)
{
    PgSession session;
    ASSERT_TRUE(session.logOn(PostgresServer::kRole, PostgresServer::kPassword, server().uri()));
    const std::array<std::optional<std::string_view>, 2> parameters{"o'brien", std::nullopt};
    const auto result = session.execute("select $1::text, $2::text, length($1)", parameters);
    ASSERT_TRUE(result.ok()) << result.error().message;
    ASSERT_EQ(result.rows(), 1);
    EXPECT_EQ(result.value(0, 0), "o'brien");
    EXPECT_TRUE(result.isNull(0, 1));
    EXPECT_EQ(result.value(0, 2), "7");
}

TEST_F(PostgresSession, FailureCarriesSqlStateAndTheSessionGoesOn)
{
    PgSession session;
    ASSERT_TRUE(session.logOn(PostgresServer::kRole, PostgresServer::kPassword, server().uri()));
    const auto failed = session.execute("select no_such_function()");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().sqlState, "42883");
    EXPECT_NE(failed.error().message.find("no_such_function"), std::string::npos);
    EXPECT_FALSE(failed.error().connectionLost);
    EXPECT_TRUE(session.execute("select 1").ok());
}

TEST_F(PostgresSession, StoppedServerIsALostConnectionNotAHang)
{
    PgSession session;
    ASSERT_TRUE(session.logOn(PostgresServer::kRole, PostgresServer::kPassword, server().uri()));
    server().stop();
    const auto failed = session.execute("select 1");
    server().start();
    ASSERT_FALSE(failed.ok());
    EXPECT_TRUE(failed.error().connectionLost);
    EXPECT_EQ(failed.error().sqlState, "08006") << failed.error().message;
}

} // namespace

} // namespace vexmoor::db
