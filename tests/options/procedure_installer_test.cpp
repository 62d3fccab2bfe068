#include "options/ProcedureInstaller.h"

#include "engine/Catalog.h"
#include "engine/Storage.h"
#include "support/EmbeddedTraceDatabase.h"
#include "trace/PipePoller.h"

#include <gtest/gtest.h>

namespace vexmoor::options {

using namespace vexmoor::test;

TEST(ProcedureInstaller, TextsAreSentCharacterForCharacter)
{
    EXPECT_EQ(kInstallNote,
              "NOTE: You must be connect as a user that is allowed to execute the pipe "
              "package!.\nUse 'grant "
              "execute on dbms_pipe to <user>' when logged in as administrator to do this.");
    EXPECT_EQ(
        kInstallStatements[0],
        "CREATE OR REPLACE PROCEDURE SendDebugMessage (theMessage IN VARCHAR2, thePipe IN VARCHAR2 "
        "DEFAULT "
        "'vexmoor') "
        "AS\n\tstatus\tNUMBER;\n\tBEGIN\n\t\tdbms_pipe.pack_message(LENGTH(theMessage));\n\t\tdbms_"
        "pipe.pack_message(theMessage);\n\t\tstatus := dbms_pipe.send_message(thePipe);\n\t\tIF "
        "status != 0 "
        "THEN\n\t\t\traise_application_error(-20099, 'Debug error');\n\t\tEND IF;\n\tEND "
        "SendDebugMessage;\n");
    EXPECT_EQ(kInstallStatements[1],
              "CREATE OR REPLACE PROCEDURE SendTraceMessage (theMessage IN VARCHAR2, thePipe IN "
              "VARCHAR2 DEFAULT "
              "'vexmoor') AS\n\taMessage\tVARCHAR2(2000);\n\tBEGIN\n\t\taMessage := "
              "TO_CHAR(SYSDATE) || ': ' || "
              "theMessage;\n\t\tSendDebugMessage(aMessage, thePipe);\n\tEND SendTraceMessage;\n");
    EXPECT_EQ(kInstallStatements[2], "CREATE PUBLIC SYNONYM SendDebugMessage FOR SendDebugMessage");
    EXPECT_EQ(kInstallStatements[3], "CREATE PUBLIC SYNONYM SendTraceMessage FOR SendTraceMessage");

    // What reaches the database is these texts: the stored procedures hold
    // each CREATE statement from PROCEDURE on, and both synonyms exist.
    EmbeddedTraceDatabase database;
    installProcedures(*database.LogOn());
    using namespace vexmoor::engine;
    Storage storage(database.ConnectString().substr(std::string_view("embedded:").size()));
    Catalog catalog(storage);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string_view sent = kInstallStatements[i];
        const std::string name = i == 0 ? "SENDDEBUGMESSAGE" : "SENDTRACEMESSAGE";
        const auto stored = catalog.findProcedure({"VEXMOOR", name});
        ASSERT_TRUE(stored.has_value()) << name;
        EXPECT_EQ(stored->source, sent.substr(sent.find("PROCEDURE"))) << name;
        EXPECT_EQ(catalog.findSynonym({"PUBLIC", name}), (ObjectName{"VEXMOOR", name})) << name;
    }
}

namespace {

class Installer : public ::testing::Test {
protected:
    std::vector<std::string> Poll(db::OciSession& session)
    {
        RecordingSink sink;
        trace::PipePoller poller(session, sink);
        poller.PollPipe();
        return sink.lines;
    }

    EmbeddedTraceDatabase database;
};

} // namespace

TEST_F(Installer, RunTwiceLeavesWorkingProceduresReachableFromEverySchema)
{
    auto vexmoor = database.LogOn();
    EXPECT_TRUE(installProcedures(*vexmoor).empty());
    // The second run replaces the procedures; its synonym statements are
    // refused, silently, because the synonyms exist; the caller is told.
    const std::vector<RefusedStatement> refused = installProcedures(*vexmoor);
    ASSERT_EQ(refused.size(), 2u);
    for (std::size_t i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(refused[i].statement, kInstallStatements[i + 2]);
        EXPECT_EQ(refused[i].code, 955);
        EXPECT_TRUE(refused[i].error.starts_with("ORA-00955: name is already used"))
            << refused[i].error;
    }

    StatementRunner own(*vexmoor);
    own.Run("begin SendDebugMessage('from the owner'); end;");
    // SYSTEM owns no such procedure: the plain name reaches it through the
    // public synonym.
    auto system = database.LogOn("system", "manager");
    StatementRunner other(*system);
    other.Run("begin SendDebugMessage('from system'); end;");
    other.Run("begin SendTraceMessage('traced'); end;");

    const std::vector<std::string> lines = Poll(*vexmoor);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "from the owner\r\n");
    EXPECT_EQ(lines[1], "from system\r\n");
    EXPECT_TRUE(std::string_view(lines[2]).ends_with(": traced\r\n")) << lines[2];
}

TEST_F(Installer, WithoutSynonymPrivilegeTheProceduresStayInTheOwnSchema)
{
    auto system = database.LogOn("system", "manager");
    StatementRunner admin(*system);
    admin.Run("create user tracer identified by secret");
    admin.Run("grant execute on dbms_pipe to tracer");
    admin.Run("grant create procedure to tracer");

    auto tracer = database.LogOn("tracer", "secret");
    const std::vector<RefusedStatement> refused = installProcedures(*tracer);
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].statement, kInstallStatements[2]);
    EXPECT_EQ(refused[1].statement, kInstallStatements[3]);
    EXPECT_EQ(refused[1].code, 1031);
    StatementRunner own(*tracer);
    own.Run("begin SendDebugMessage('mine'); end;");
    EXPECT_EQ(Poll(*tracer), (std::vector<std::string>{"mine\r\n"}));

    // No public synonym was made, so another schema does not see the name.
    auto vexmoor = database.LogOn();
    StatementRunner stranger(*vexmoor);
    EXPECT_FALSE(stranger.TryRun("begin SendDebugMessage('lost'); end;"));
}

TEST_F(Installer, TheProceduresDefaultToThePipeVexmoor)
{
    auto vexmoor = database.LogOn();
    installProcedures(*vexmoor);
    StatementRunner own(*vexmoor);
    own.Run("begin SendDebugMessage('default pipe'); end;");
    own.Run("begin SendDebugMessage('named pipe', 'elsewhere'); end;");
    EXPECT_EQ(Poll(*vexmoor), (std::vector<std::string>{"default pipe\r\n"}));
}

} // namespace vexmoor::options
