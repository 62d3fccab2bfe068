// The SQL commands the engine runs besides PL/SQL blocks.
#include "EngineSession.h"

#include "engine/Catalog.h"

namespace vexmoor::engine {

namespace {

class SqlCommands : public EngineTest {
protected:
    std::unique_ptr<Session> admin = logOn("system", "manager");
};

TEST_F(SqlCommands, AccountsAndPrivilegesByTheAdministrator)
{
    run(*admin, "CREATE USER Alice IDENTIFIED BY \"Secret Word\"");
    EXPECT_THROW(logOn("alice", "secret word"), OraError);
    auto alice = logOn("ALICE", "Secret Word");
    EXPECT_EQ(alice->user(), "ALICE");

    EXPECT_EQ(failure(*alice, "create procedure p is begin null; end;").code(), 1031);
    run(*admin, "grant create procedure, create public synonym to alice");
    run(*alice, "create procedure p is begin null; end;");
    run(*alice, "create public synonym alice_p for p");
    EXPECT_EQ(database->catalog().findSynonym({"PUBLIC", "ALICE_P"}), (ObjectName{"ALICE", "P"}));

    // Only the administrator grants, and only users that exist.
    EXPECT_EQ(failure(*alice, "grant dba to alice").code(), 1031);
    EXPECT_EQ(failure(*admin, "grant create procedure to nobody").code(), 1917);
    EXPECT_EQ(failure(*admin, "grant fly to alice").code(), 990);
    EXPECT_EQ(failure(*admin, "grant execute on dbms_lock to alice").code(), 4042);

    run(*admin, "revoke create public synonym from alice");
    EXPECT_EQ(failure(*alice, "create public synonym other_p for p").code(), 1031);
    EXPECT_EQ(failure(*alice, "drop public synonym alice_p").code(), 1031);
    run(*admin, "drop public synonym alice_p");
    EXPECT_FALSE(database->catalog().findSynonym({"PUBLIC", "ALICE_P"}));
    EXPECT_EQ(failure(*admin, "drop public synonym alice_p").code(), 1432);

    EXPECT_EQ(failure(*alice, "create user bob identified by b").code(), 1031);
    run(*admin, "drop user alice cascade");
    EXPECT_THROW(logOn("alice", "Secret Word"), OraError);
}

TEST_F(SqlCommands, WorkInAnotherSchemaNeedsTheAdministrator)
{
    auto owner = logOn();
    EXPECT_EQ(failure(*owner, "create procedure system.p is begin null; end;").code(), 1031);
    run(*admin, "create procedure vexmoor.made_for is begin null; end;");
    EXPECT_TRUE(database->catalog().findProcedure({"VEXMOOR", "MADE_FOR"}));
    EXPECT_NO_THROW(run(*owner, "begin made_for; end;"));
    EXPECT_EQ(failure(*owner, "drop procedure system.nothing").code(), 1031);
    EXPECT_EQ(failure(*owner, "drop procedure nothing").code(), 4043);
}

TEST_F(SqlCommands, AlterSessionDateFormat)
{
    setClock(2027, 3, 4, 5, 6, 7);
    run(*admin, "alter session set nls_date_format='YYYY-MM-DD \"at\" HH24:MI'");
    EXPECT_EQ(eval(*admin, "sysdate"), "2027-03-04 at 05:06");
    EXPECT_EQ(failure(*admin, "alter session set nls_date_format = 'NOPE'").code(), 1821);
    EXPECT_EQ(eval(*admin, "sysdate"), "2027-03-04 at 05:06");
    EXPECT_EQ(failure(*admin, "alter session set nls_language = 'GERMAN'").code(), 2248);
    // Another session keeps its own format.
    EXPECT_EQ(eval(*logOn(), "sysdate"), "04-MAR-27");
}

TEST_F(SqlCommands, SyntaxErrorsHaveOracleNumbers)
{
    EXPECT_EQ(failure(*admin, "update t set x = 1").code(), 900);
    EXPECT_EQ(failure(*admin, "create index i on t(x)").code(), 901);
    EXPECT_EQ(failure(*admin, "drop index t").code(), 950);
    EXPECT_EQ(failure(*admin, "drop table t").code(), 942);
    EXPECT_EQ(failure(*admin, "create public synonym s").code(), 905);
    EXPECT_EQ(failure(*admin, "create public synonym s for t extra").code(), 933);
    EXPECT_EQ(failure(*admin, "create user u identified by").code(), 988);
    const std::string longName(129, 'n');
    for (const std::string& command :
         {"create user " + longName + " identified by x", "create public synonym s for " + longName,
          "create synonym \"" + longName + "\" for t"})
        EXPECT_EQ(failure(*admin, command).code(), 972) << command;
    run(*admin, "create user " + std::string(128, 'u') + " identified by x");
}

TEST_F(SqlCommands, BindsOnACommandAreRefused)
{
    IntegerBind unused;
    auto statement = admin->prepare("alter session set nls_date_format = 'YYYY'");
    statement->bind("x", unused.buffer());
    EXPECT_THROW(statement->execute(), OraError);
}

} // namespace

} // namespace vexmoor::engine
