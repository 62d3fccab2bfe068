// Where the embedded backend keeps its database, and how it fails.

#include "DbTestSupport.h"

#include "db/Oci.h"
#include "db/OciCursor.h"
#include "db/OciSession.h"

#include <gtest/gtest.h>

namespace vexmoor::db {

namespace {

TEST(EmbeddedDatabaseFile, VariableNamesTheFileAndItsFoldersAreMade)
{
    test::ScratchFolder folder;
    const auto file = folder.path() / "not" / "yet" / "there.db";
    ScopedEnvironment variable("VEXMOOR_EMBEDDED_DB", file.string());

    OciSession session;
    ASSERT_TRUE(session.LogOn("vexmoor", "vexmoor", "embedded")) << session.ErrorText();
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(EmbeddedDatabaseFile, UserDataFolderWhenNoVariable)
{
    test::ScratchFolder folder;
    ScopedEnvironment variable("VEXMOOR_EMBEDDED_DB", std::nullopt);
    ScopedEnvironment xdg("XDG_DATA_HOME", folder.path().string());

    OciSession session;
    ASSERT_TRUE(session.LogOn("system", "manager", " Embedded ")) << session.ErrorText();
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Orrindale" / "Vexmoor" / "embedded.db"));
}

TEST(EmbeddedDatabaseFile, ExplicitPathInAMissingFolderFailsAndTheProcessGoesOn)
{
    test::ScratchFolder folder;
    const std::string connect = "embedded:" + (folder.path() / "missing" / "x.db").string();

    OciSession session;
    EXPECT_FALSE(session.LogOn("vexmoor", "vexmoor", connect));
    EXPECT_EQ(oci::returnCode(session.logonArea()), 1034);
    EXPECT_EQ(session.ErrorText().rfind("ORA-01034: ORACLE not available\n", 0), 0u)
        << session.ErrorText();
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"))
        << "only the default file's folders are made";

    ASSERT_TRUE(
        session.LogOn("vexmoor", "vexmoor", "embedded:" + (folder.path() / "x.db").string()))
        << session.ErrorText();
}

TEST(EmbeddedDatabaseFile, AFileThatIsNoDatabaseFailsTheLogon)
{
    test::ScratchFolder folder;
    const auto file = folder.path() / "notes.txt";
    std::ofstream(file) << "these are not the pages of a database, just a few words of text\n";

    OciSession session;
    EXPECT_FALSE(session.LogOn("vexmoor", "vexmoor", "embedded:" + file.string()));
    EXPECT_EQ(session.ErrorText().rfind("ORA-01034: ", 0), 0u) << session.ErrorText();
}

} // namespace

} // namespace vexmoor::db
