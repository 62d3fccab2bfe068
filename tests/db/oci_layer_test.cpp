// The parts of the call layer that need no database: connect strings, where
// the client library is looked for, the data-area fields and oerhms.

#include "db/ClientLibrary.h"
#include "db/ConnectString.h"
#include "db/DataArea.h"
#include "db/Oci.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

namespace vexmoor::db {

namespace {

using namespace db::oci;

EnvironmentLookup environmentOf(std::map<std::string, std::string> variables)
{
    return [variables = std::move(variables)](const char* name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end())
            return std::nullopt;
        return found->second;
    };
}

TEST(parseConnectString, EmbeddedKeywordNamesTheDefaultDatabase)
{
    const auto environment = environmentOf({{"HOME", "/home/ann"}});
    for (const char* connect : {"embedded", "EMBEDDED", " Embedded ", "embedded:"}) {
        const ConnectTarget target = parseConnectString(connect, environment);
        EXPECT_EQ(target.backend, BackendKind::Embedded) << connect;
        EXPECT_EQ(target.file, "/home/ann/.local/share/Orrindale/Vexmoor/embedded.db") << connect;
        EXPECT_TRUE(target.createFolders) << connect;
    }
}

TEST(parseConnectString, EmbeddedWithPathNamesThatFile)
{
    const ConnectTarget target =
        parseConnectString("embedded:/tmp/x y/trace.db", environmentOf({}));
    EXPECT_EQ(target.backend, BackendKind::Embedded);
    EXPECT_EQ(target.file, "/tmp/x y/trace.db");
    EXPECT_FALSE(target.createFolders);
}

TEST(parseConnectString, AnythingElseGoesToTheOracleClient)
{
    for (const char* connect :
         {"orcl", "", "embeddedx", "scott@embedded", "//host:1521/embedded", "embed"})
        EXPECT_EQ(parseConnectString(connect, environmentOf({})).backend, BackendKind::OracleClient)
            << connect;
}

TEST(defaultEmbeddedDatabase, VariableThenXdgThenHome)
{
    EXPECT_EQ(defaultEmbeddedDatabase(environmentOf(
                  {{"VEXMOOR_EMBEDDED_DB", "/data/my.db"}, {"XDG_DATA_HOME", "/xdg"}})),
              "/data/my.db");
    EXPECT_EQ(
        defaultEmbeddedDatabase(environmentOf({{"XDG_DATA_HOME", "/xdg"}, {"HOME", "/home/ann"}})),
        "/xdg/Orrindale/Vexmoor/embedded.db");
    // A relative XDG_DATA_HOME is to be ignored, and so is an empty variable.
    EXPECT_EQ(
        defaultEmbeddedDatabase(environmentOf(
            {{"VEXMOOR_EMBEDDED_DB", ""}, {"XDG_DATA_HOME", "rel/dir"}, {"HOME", "/home/ann"}})),
        "/home/ann/.local/share/Orrindale/Vexmoor/embedded.db");
}

TEST(clientLibraryCandidates, SystemPathNamesThenProgramFolderThenOracleHome)
{
    const auto candidates = clientLibraryCandidates(environmentOf({{"ORACLE_HOME", "/opt/oracle"}}),
                                                    "/opt/vexmoor/bin");
    const auto& names = clientLibraryNames();
    ASSERT_EQ(candidates.size(), 3 * names.size());
    EXPECT_EQ(names.front(), "libclntsh.so");
    EXPECT_EQ(names[1], "libclntsh.so.23.1");
    EXPECT_EQ(names.back(), "libclntsh.so.11.1");
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(candidates[i], (LibraryCandidate{names[i], LibrarySource::SystemPath}));
        EXPECT_EQ(candidates[names.size() + i],
                  (LibraryCandidate{"/opt/vexmoor/bin/" + names[i], LibrarySource::ProgramFolder}));
        EXPECT_EQ(candidates[2 * names.size() + i],
                  (LibraryCandidate{"/opt/oracle/lib/" + names[i], LibrarySource::OracleHome}));
    }
    EXPECT_EQ(clientLibraryCandidates(environmentOf({}), {}).size(), names.size())
        << "no folder known, none tried";
}

TEST(clientLibraryCandidates, ProgramFolderIsTheRunningProgramsFolder)
{
    // This test program runs from its build folder.
    const auto folder = programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(std::filesystem::exists(folder / "db_oci_layer_test")) << folder;
    const auto candidates = clientLibraryCandidates(environmentOf({}));
    EXPECT_NE(std::find(candidates.begin(), candidates.end(),
                        LibraryCandidate{(folder / "libclntsh.so").string(),
                                         LibrarySource::ProgramFolder}),
              candidates.end());
}

TEST(clientLibraryCandidates, ConfiguredFileIsTheOnlyCandidate)
{
    const auto candidates = clientLibraryCandidates(environmentOf(
        {{"VEXMOOR_OCI_LIBRARY", "/x/libclntsh.so.19.1"}, {"ORACLE_HOME", "/opt/oracle"}}));
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0], (LibraryCandidate{"/x/libclntsh.so.19.1", LibrarySource::Configured}));
}

TEST(noClientLibraryMessage, SaysWhatWhereAndThatEmbeddedNeedsNone)
{
    const std::string unset = noClientLibraryMessage(environmentOf({}), "");
    EXPECT_NE(unset.find("libclntsh.so"), std::string::npos) << unset;
    EXPECT_NE(unset.find("libclntsh.so.23.1 to .11.1"), std::string::npos) << unset;
    EXPECT_NE(unset.find("system library path"), std::string::npos) << unset;
    EXPECT_NE(unset.find("LD_LIBRARY_PATH"), std::string::npos) << unset;
    EXPECT_NE(unset.find("ORACLE_HOME is not set"), std::string::npos) << unset;
    EXPECT_NE(unset.find("\"embedded\""), std::string::npos) << unset;
    EXPECT_NE(unset.find("needs no client library"), std::string::npos) << unset;
    EXPECT_LT(unset.size(), 512u) << "must fit the 512-byte message buffer";

    const std::string home =
        noClientLibraryMessage(environmentOf({{"ORACLE_HOME", "/opt/ora"}}), "");
    EXPECT_NE(home.find("/opt/ora/lib"), std::string::npos) << home;

    const std::string configured =
        noClientLibraryMessage(environmentOf({{"VEXMOOR_OCI_LIBRARY", "/nowhere/libclntsh.so"}}),
                               "/nowhere/libclntsh.so: wrong ELF class");
    EXPECT_NE(configured.find("/nowhere/libclntsh.so"), std::string::npos) << configured;
    EXPECT_NE(configured.find("VEXMOOR_OCI_LIBRARY"), std::string::npos) << configured;
    EXPECT_NE(configured.find("needs no client library"), std::string::npos) << configured;
    EXPECT_NE(configured.find("\n/nowhere/libclntsh.so: wrong ELF class"), std::string::npos)
        << configured;
}

TEST(noClientLibraryMessage, FitsTheMessageBufferWithALongOracleHome)
{
    const std::string home = "/opt/oracle/product/19.0.0/client_with_a_rather_long_folder_name";
    const std::string text = noClientLibraryMessage(environmentOf({{"ORACLE_HOME", home}}), "");
    EXPECT_LT(text.size(), 512u) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << "no loader reason, no second line";
}

TEST(loaderFoundNoFile, TellsAMissingFileFromAnUnusableOne)
{
    EXPECT_TRUE(loaderFoundNoFile(
        "/opt/ora/lib/libclntsh.so",
        "/opt/ora/lib/libclntsh.so: cannot open shared object file: No such file or directory"));
    EXPECT_TRUE(loaderFoundNoFile(
        "libclntsh.so.19.1",
        "libclntsh.so.19.1: cannot open shared object file: No such file or directory"));
    EXPECT_FALSE(loaderFoundNoFile(
        "libclntsh.so", "libaio.so.1: cannot open shared object file: No such file or directory"));
    EXPECT_FALSE(
        loaderFoundNoFile("/x/libclntsh.so", "/x/libclntsh.so: wrong ELF class: ELFCLASS32"));
}

TEST(DataArea, FieldsAreLittleEndianAtTheirOffsets)
{
    std::array<ub1, kCursorAreaSize> area{};
    detail::writeFields(area.data(), 54, 6550, 0x1234);
    EXPECT_EQ(area[8], 0x34);
    EXPECT_EQ(area[9], 0x12);
    EXPECT_EQ(area[10], 54);
    EXPECT_EQ(area[12], 6550 & 0xFF);
    EXPECT_EQ(area[13], 6550 >> 8);
    EXPECT_EQ(parseErrorOffset(area.data()), 0x1234);
    EXPECT_EQ(functionCode(area.data()), 54);
    EXPECT_EQ(returnCode(area.data()), 6550);

    detail::writeHandle(area.data(), 0x0102030405060708ull);
    EXPECT_EQ(detail::readHandle(area.data()), 0x0102030405060708ull);
    EXPECT_EQ(returnCode(area.data()), 6550) << "the handle stays clear of bytes 8-13";
    EXPECT_EQ(area[16], 0x08);
}

TEST(DataArea, ErrorNumbersAboveSixteenBitsStayNonZero)
{
    std::array<ub1, kCursorAreaSize> area{};
    detail::writeFields(area.data(), 4, 65536, 70000);
    EXPECT_NE(returnCode(area.data()), 0);
    EXPECT_EQ(parseErrorOffset(area.data()), 0xFFFF);
}

TEST(Oerhms, TruncatesToTheBufferAndTerminates)
{
    std::array<ub1, kLogonAreaSize> lda{};
    std::array<text, 12> buffer;
    buffer.fill('#');
    EXPECT_EQ(oerhms(lda.data(), 1017, buffer.data(), static_cast<sword>(buffer.size())), 0);
    EXPECT_EQ(std::string(buffer.data()), "ORA-01017: ");
}

TEST(Oerhms, UnrecordedCodesGetOraclesText)
{
    std::array<ub1, kLogonAreaSize> lda{};
    std::array<text, 512> buffer{};
    oerhms(lda.data(), 6556, buffer.data(), 512);
    EXPECT_STREQ(buffer.data(),
                 "ORA-06556: the pipe is empty, cannot fulfill the unpack_message request");
    oerhms(lda.data(), 0, buffer.data(), 512);
    EXPECT_STREQ(buffer.data(), "ORA-00000: normal, successful completion");
}

TEST(OciCalls, CursorCallsOnAnAreaNeverOpenedFailCleanly)
{
    std::array<ub1, kCursorAreaSize> cda{};
    EXPECT_NE(oexec(cda.data()), 0);
    EXPECT_EQ(returnCode(cda.data()), 1001);
    EXPECT_EQ(functionCode(cda.data()), 4);
    EXPECT_NE(oclose(cda.data()), 0);
    EXPECT_EQ(functionCode(cda.data()), 16);

    std::array<ub1, kLogonAreaSize> lda{};
    EXPECT_NE(oopen(cda.data(), lda.data(), nullptr, -1, -1, nullptr, -1), 0);
    EXPECT_EQ(returnCode(cda.data()), 1012);
    EXPECT_EQ(functionCode(cda.data()), 14);
}

} // namespace

} // namespace vexmoor::db
