#include "support/ScratchFolder.h"

#include "engine/Catalog.h"
#include "engine/Database.h"
#include "engine/OraError.h"
#include "engine/PipeStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <sstream>

namespace vexmoor::engine {

using namespace std::chrono_literals;
using namespace vexmoor::test;

namespace {

std::string openError(const std::filesystem::path& file)
{
    try {
        Database::open(file);
    } catch (const OraError& error) {
        EXPECT_EQ(error.code(), 1034);
        return error.message();
    }
    return "opened";
}

std::string contents(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string sqliteText(const std::filesystem::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    std::string text;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return text;
}

} // namespace

TEST(Database, EverythingSurvivesClosingAndReopening)
{
    ScratchFolder folder;
    auto file = folder.file("keep.db");
    {
        auto database = Database::open(file);
        database->catalog().createUser("scott", "tiger");
        database->catalog().storeProcedure({"SCOTT", "P"}, "PROCEDURE p", false);
        database->catalog().createSynonym({"PUBLIC", "P"}, {"SCOTT", "P"}, false);
        database->pipes().send("kept", std::vector<std::uint8_t>{1, 2, 3}, 0ms, 20000);
        database->pipes().send("kept", std::vector<std::uint8_t>{4}, 0ms);
    }
    auto database = Database::open(file);
    EXPECT_EQ(database->path(), file);
    EXPECT_EQ(database->catalog().authenticate("scott", "tiger"), "SCOTT");
    EXPECT_EQ(database->catalog().authenticate("system", "manager"), "SYSTEM")
        << "accounts are made once";
    EXPECT_TRUE(database->catalog().findProcedure({"SCOTT", "P"}));
    EXPECT_EQ(database->catalog().resolve("vexmoor", "p"), (ObjectName{"SCOTT", "P"}));
    std::vector<std::uint8_t> message;
    ASSERT_EQ(database->pipes().receive("kept", 0ms, message), 0);
    EXPECT_EQ(message, (std::vector<std::uint8_t>{1, 2, 3}));
    ASSERT_EQ(database->pipes().receive("kept", 0ms, message), 0);
    EXPECT_EQ(message, (std::vector<std::uint8_t>{4}));
}

TEST(Database, FileIsInWriteAheadLogMode)
{
    ScratchFolder folder;
    auto file = folder.file("wal.db");
    Database::open(file);
    EXPECT_EQ(sqliteText(file, "PRAGMA journal_mode"), "wal");
}

TEST(Database, RefusesWhatItCannotOpenAndLeavesForeignFilesAlone)
{
    ScratchFolder folder;

    std::string missing = openError(folder.file("no such folder") / "x.db");
    EXPECT_EQ(missing.substr(0, missing.find('\n')), "ORA-01034: ORACLE not available");
    EXPECT_NE(missing.find("\n"), std::string::npos) << "the reason follows on a second line";
    EXPECT_NE(missing.find("x.db"), std::string::npos);

    auto text = folder.file("notes.txt");
    std::string notes(5000, 'n');
    std::ofstream(text) << notes;
    std::string notADatabase = openError(text);
    EXPECT_NE(notADatabase.find("\n"), std::string::npos);
    EXPECT_EQ(contents(text), notes);

    auto foreign = folder.file("other.db");
    sqlite3* db = nullptr;
    sqlite3_open(foreign.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE recipes(name TEXT); INSERT INTO recipes VALUES('soup');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::string before = contents(foreign);
    EXPECT_NE(openError(foreign).find("not a Vexmoor database"), std::string::npos);
    EXPECT_EQ(contents(foreign), before);
    EXPECT_EQ(sqliteText(foreign, "PRAGMA journal_mode"), "delete");

    auto folderAsFile = folder.path();
    EXPECT_NE(openError(folderAsFile), "opened");
}

TEST(Database, AnEmptyFileBecomesADatabase)
{
    ScratchFolder folder;
    auto file = folder.file("empty.db");
    std::ofstream{file};
    auto database = Database::open(file);
    EXPECT_EQ(database->catalog().authenticate("VEXMOOR", "vexmoor"), "VEXMOOR");
}

TEST(Database, RefusesAFileOfANewerSchema)
{
    ScratchFolder folder;
    auto file = folder.file("newer.db");
    Database::open(file);
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "UPDATE meta SET value = 99 WHERE key = 'schema_version'", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    EXPECT_NE(openError(file).find("newer version"), std::string::npos);
}

TEST(Database, ClockCanBeSet)
{
    ScratchFolder folder;
    auto database = Database::open(folder.file("clock.db"));
    auto before = std::chrono::system_clock::now();
    auto now = database->now();
    EXPECT_GE(now, before);
    EXPECT_LE(now, std::chrono::system_clock::now());

    std::chrono::system_clock::time_point fixed{std::chrono::seconds(1'796'601'600)};
    database->setClock([fixed] { return fixed; });
    EXPECT_EQ(database->now(), fixed);
    database->setClock({});
    EXPECT_GE(database->now(), now);
}

} // namespace vexmoor::engine
