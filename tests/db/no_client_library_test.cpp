// Logging on to Oracle where no client library can be loaded: the logon
// fails with a text that says what was looked for and where, and the process
// goes on. A program of its own, so that no library is loaded before.

#include "DbTestSupport.h"

#include "db/OciCursor.h"
#include "db/OciSession.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace vexmoor::db {

namespace {

TEST(NoClientLibrary, ConfiguredFileMissing)
{
    test::ScratchFolder folder;
    const std::string missing = (folder.path() / "lib" / "libclntsh.so").string();
    ScopedEnvironment library("VEXMOOR_OCI_LIBRARY", missing);
    ScopedEnvironment home("ORACLE_HOME", std::nullopt);

    OciSession session;
    EXPECT_FALSE(session.LogOn("scott", "tiger", "orcl"));
    EXPECT_FALSE(session.isLoggedOn());
    const std::string text = session.ErrorText();
    EXPECT_EQ(text.rfind("The Oracle client library could not be loaded from " + missing, 0), 0u)
        << text;
    EXPECT_NE(text.find("The connect string \"embedded\" uses the built-in engine and needs no "
                        "client library."),
              std::string::npos)
        << text;

    // The process goes on, and the same session can log on elsewhere.
    ASSERT_TRUE(
        session.LogOn("vexmoor", "vexmoor", "embedded:" + (folder.path() / "trace.db").string()))
        << session.ErrorText();
    OciCursor cursor(session);
    cursor.SetStatement("begin null; end;");
    EXPECT_TRUE(cursor.Execute(true));
}

TEST(NoClientLibrary, NothingOnTheSystemPathNorInOracleHome)
{
    if (void* installed = dlopen("libclntsh.so", RTLD_NOW | RTLD_NOLOAD | RTLD_LOCAL)) {
        dlclose(installed);
        GTEST_SKIP() << "an Oracle client is installed here";
    }
    test::ScratchFolder folder;
    ScopedEnvironment library("VEXMOOR_OCI_LIBRARY", std::nullopt);
    ScopedEnvironment home("ORACLE_HOME", folder.path().string());
    ScopedEnvironment path("LD_LIBRARY_PATH", std::nullopt);

    OciSession session;
    if (session.LogOn("scott", "tiger", "orcl"))
        GTEST_SKIP() << "an Oracle client is installed here";
    const std::string text = session.ErrorText();
    EXPECT_EQ(text.rfind("No Oracle client library found: looked for libclntsh.so", 0), 0u) << text;
    EXPECT_NE(text.find((folder.path() / "lib").string()), std::string::npos) << text;
    EXPECT_NE(text.find("\"embedded\""), std::string::npos) << text;
}

TEST(NoClientLibrary, LibraryWithoutTheNeededFunctionsIsNamedWithTheMissingOne)
{
    ScopedEnvironment library("VEXMOOR_OCI_LIBRARY", std::string("libm.so.6"));
    OciSession session;
    EXPECT_FALSE(session.LogOn("scott", "tiger", "orcl"));
    EXPECT_EQ(session.ErrorText(), "The Oracle client library libm.so.6 has no function "
                                   "OCIEnvNlsCreate; a client of release 11.2 or "
                                   "later is needed.");
}

} // namespace

} // namespace vexmoor::db
