// The database file under faults: a full disk, damage, a read-only place,
// other local users.
#include "support/ChildProcess.h"
#include "support/ScratchFolder.h"

#include "engine/Catalog.h"
#include "engine/ChangeCounter.h"
#include "engine/Database.h"
#include "engine/OraError.h"
#include "engine/PipeStore.h"
#include "engine/Storage.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>

namespace vexmoor::engine {

using namespace std::chrono_literals;
using namespace vexmoor::test;

namespace {

constexpr int kUnavailableHere = 77;

std::vector<std::uint8_t> bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

std::string openError(const std::filesystem::path& file)
{
    try {
        Database::open(file);
    } catch (const OraError& error) {
        return error.message();
    }
    return "opened";
}

void runSql(const std::filesystem::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        ADD_FAILURE() << sql << ": " << (error ? error : "?");
    sqlite3_free(error);
    sqlite3_close(db);
}

std::string sqlText(const std::filesystem::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    std::string text;
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
        text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return text;
}

// A child process of its own mount namespace, so that what it mounts goes
// with it. False where that needs privileges the tests do not have.
bool privateMounts()
{
    return unshare(CLONE_NEWNS) == 0
           && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Ways to run out of space, each set up in a child process.
struct SpaceLimit {
    const char* name;
    bool (*prepare)(const std::filesystem::path& folder); // before the database exists
    void (*fill)(const std::filesystem::path& folder);
    void (*makeRoom)(const std::filesystem::path& folder);
};

void PrintTo(const SpaceLimit& limit, std::ostream* out)
{
    *out << limit.name;
}

// A file system of 256 KB that a filler file fills to the last block: the
// disk of a real user. Its counters are mapped before the disk fills.
const SpaceLimit kSmallFileSystem{
    "small tmpfs",
    [](const std::filesystem::path& folder) {
        return privateMounts() && mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") == 0;
    },
    [](const std::filesystem::path& folder) {
        std::FILE* filler = std::fopen((folder / "filler").c_str(), "wb");
        std::vector<char> block(4096, 'f');
        while (filler && std::fwrite(block.data(), 1, block.size(), filler) == block.size()
               && std::fflush(filler) == 0) {}
        if (filler)
            std::fclose(filler);
    },
    [](const std::filesystem::path& folder) { std::filesystem::remove(folder / "filler"); },
};

// No file may grow past its present size (RLIMIT_FSIZE, its signal
// ignored): available everywhere.
const SpaceLimit kFileSizeLimit{
    "file size limit",
    [](const std::filesystem::path&) { return std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR; },
    [](const std::filesystem::path& folder) {
        rlim_t largest = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            largest = std::max<rlim_t>(largest, entry.file_size());
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = largest;
        setrlimit(RLIMIT_FSIZE, &limit);
    },
    [](const std::filesystem::path&) {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_FSIZE, &limit);
    },
};

// In the child: sends until the space runs out, then once there is room
// again. 0 when the sends failed with ORA-27072, later ones succeeded and
// every message sent arrived once, in order.
int sendThroughFullDisk(const SpaceLimit& limit, const std::filesystem::path& folder)
{
    if (!limit.prepare(folder))
        return kUnavailableHere;
    auto file = folder / "full.db";
    auto database = Database::open(file);
    PipeStore& pipes = database->pipes();
    std::vector<std::uint8_t> message(3000, 'm');
    // As after an install: nothing has been sent on this file yet.
    limit.fill(folder);
    int sent = 0;
    bool refused = false;
    for (int i = 0; i < 200 && !refused; ++i) {
        try {
            if (pipes.send("p", message, 0ms, 1'000'000) == 0)
                ++sent;
        } catch (const OraError& error) {
            std::fprintf(stderr, "%s\n", error.message().c_str());
            if (error.code() != 27072)
                return 2;
            refused = true;
        }
    }
    if (!refused)
        return 3;
    limit.makeRoom(folder);
    if (pipes.send("p", bytes("after"), 0ms, 1'000'000) != 0)
        return 4;
    // A second connection: the file opens (its integrity checked) and holds
    // exactly what was sent.
    auto reopened = Database::open(file);
    std::vector<std::uint8_t> received;
    for (int i = 0; i < sent; ++i) {
        if (reopened->pipes().receive("p", 0ms, received) != 0 || received != message)
            return 5;
    }
    if (reopened->pipes().receive("p", 0ms, received) != 0 || received != bytes("after"))
        return 6;
    return reopened->pipes().messageCount("p") == 0 ? 0 : 7;
}

class FullDisk : public ::testing::TestWithParam<SpaceLimit> {};

TEST_P(FullDisk, SendFailsWithAnOracleErrorAndWorksOnceThereIsRoom)
{
    ScratchFolder folder;
    ChildProcess child([&] { return sendThroughFullDisk(GetParam(), folder.path()); });
    int code = child.exitCode();
    if (code == kUnavailableHere)
        GTEST_SKIP() << GetParam().name
                     << ": cannot be set up here (mounting a tmpfs needs CAP_SYS_ADMIN)";
    EXPECT_EQ(code, 0) << GetParam().name
                       << " (-1: ended by a signal, SIGBUS from a mapped counter)";
}

INSTANTIATE_TEST_SUITE_P(Storage, FullDisk, ::testing::Values(kSmallFileSystem, kFileSizeLimit),
                         [](const auto& param) {
                             return param.index == 0 ? "SmallFileSystem" : "FileSizeLimit";
                         });

TEST(FullDisk, CounterFileHasItsBlockBeforeItIsMapped)
{
    // A block only promised (a hole) is taken at the first write through the
    // mapping, and on a full disk that write ends the process.
    ScratchFolder folder;
    auto file = folder.file("db-sends");
    {
        int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_EQ(::ftruncate(fd, 8), 0);
        ::close(fd);
    }
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    if (info.st_blocks != 0)
        GTEST_SKIP() << "this file system does not keep holes";
    ChangeCounter counter(file);
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_GT(info.st_blocks, 0);
    EXPECT_EQ(info.st_size, 8);
}

TEST(FileAccess, NewFilesAreReadableByTheirOwnerOnlyWhateverTheUmask)
{
    ScratchFolder folder;
    auto file = folder.file("private.db");
    mode_t before = ::umask(0);
    {
        auto database = Database::open(file);
        database->pipes().send("p", bytes("x"), 0ms); // the journal files exist while it is open
        for (const char* suffix : {"", "-wal", "-shm", "-catalog", "-sends"}) {
            struct stat info {};
            auto path = file.string() + suffix;
            ASSERT_EQ(::stat(path.c_str(), &info), 0) << path;
            EXPECT_EQ(info.st_mode & 0777, 0600u) << path;
        }
    }
    ::umask(before);
}

TEST(FileAccess, PasswordsAreStoredAsSaltedHashesOnly)
{
    ScratchFolder folder;
    auto file = folder.file("accounts.db");
    {
        auto database = Database::open(file);
        database->catalog().createUser("scott", "tiger");
        database->catalog().createUser("adams", "tiger");
    }
    std::string scott = sqlText(file, "SELECT password FROM accounts WHERE name = 'SCOTT'");
    std::string adams = sqlText(file, "SELECT password FROM accounts WHERE name = 'ADAMS'");
    EXPECT_TRUE(scott.starts_with("$argon2id$")) << scott;
    EXPECT_EQ(scott.find("tiger"), std::string::npos);
    EXPECT_NE(scott, adams) << "each hash has a salt of its own";
    EXPECT_TRUE(sqlText(file, "SELECT password FROM accounts WHERE name = 'SYSTEM'")
                    .starts_with("$argon2id$"));

    // A second process knows nothing of the first one's logons.
    ChildProcess child([&] {
        auto database = Database::open(file);
        bool right = database->catalog().authenticate("Scott", "tiger") == "SCOTT";
        bool wrong = database->catalog().authenticate("scott", "TIGER").has_value()
                     || database->catalog().authenticate("scott", scott).has_value();
        return right && !wrong ? 0 : 1;
    });
    EXPECT_EQ(child.exitCode(), 0);
}

TEST(FileAccess, AFileOfTheFirstVersionIsUpgradedAndItsPasswordsHashedAtLogon)
{
    ScratchFolder folder;
    auto file = folder.file("old.db");
    Database::open(file);
    // As the first version left it: pipes without owners, passwords in the clear.
    runSql(file, "ALTER TABLE pipes DROP COLUMN owner; DROP TABLE package_bodies; DROP TABLE "
                 "sequences;"
                 "UPDATE meta SET value = 1 WHERE key = "
                 "'schema_version';"
                 "UPDATE accounts SET password = 'manager' WHERE name = 'SYSTEM';"
                 "UPDATE accounts SET password = 'vexmoor' WHERE name = 'VEXMOOR';"
                 "INSERT INTO pipes(name, max_size, explicit, private) VALUES('OLD', 8192, 1, 0);");

    auto database = Database::open(file);
    EXPECT_EQ(sqlText(file, "SELECT value FROM meta WHERE key = 'schema_version'"),
              std::to_string(Storage::kSchemaVersion));
    EXPECT_EQ(sqlText(file, "SELECT count(*) FROM package_bodies"), "0");
    EXPECT_EQ(sqlText(file, "SELECT count(*) FROM sequences"), "0");
    EXPECT_EQ(database->catalog().authenticate("system", "wrong"), std::nullopt);
    EXPECT_EQ(sqlText(file, "SELECT password FROM accounts WHERE name = 'SYSTEM'"), "manager")
        << "a failed logon changes nothing";
    EXPECT_EQ(database->catalog().authenticate("system", "manager"), "SYSTEM");
    EXPECT_TRUE(sqlText(file, "SELECT password FROM accounts WHERE name = 'SYSTEM'")
                    .starts_with("$argon2id$"));
    EXPECT_EQ(sqlText(file, "SELECT password FROM accounts WHERE name = 'VEXMOOR'"), "vexmoor")
        << "upgraded at its own first logon";
    EXPECT_EQ(database->catalog().authenticate("system", "manager"), "SYSTEM");
    EXPECT_EQ(database->pipes().send("old", bytes("x"), 0ms, 8192, "VEXMOOR"), 0)
        << "an old pipe stays public";
}

// Damage done to a good database file.
struct Damage {
    const char* name;
    void (*apply)(const std::filesystem::path& file);
};

void overwrite(const std::filesystem::path& file, std::uintmax_t offset, std::size_t length)
{
    std::mt19937 random(11);
    std::string noise(length, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(noise.data(), static_cast<std::streamsize>(noise.size()));
}

constexpr Damage kDamages[] = {
    {"random bytes",
     [](const auto& file) { overwrite(file, 0, std::filesystem::file_size(file)); }},
    {"random bytes behind a good header",
     [](const auto& file) { overwrite(file, 100, std::filesystem::file_size(file) - 100); }},
    {"truncated",
     [](const auto& file) {
         std::filesystem::resize_file(file, std::filesystem::file_size(file) * 2 / 3);
     }},
    {"a table's page overwritten", [](const auto& file) { overwrite(file, 4096, 100); }},
    {"a column renamed",
     [](const auto& file) { runSql(file, "ALTER TABLE accounts RENAME COLUMN name TO username"); }},
    {"a table dropped", [](const auto& file) { runSql(file, "DROP TABLE synonyms"); }},
};

TEST(DamagedFile, IsRefusedAtLogonSayingItIsDamaged)
{
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        ScratchFolder folder;
        auto file = folder.file("damaged.db");
        {
            auto database = Database::open(file);
            std::vector<std::uint8_t> message(1000, 'm');
            for (int i = 0; i < 100; ++i)
                database->pipes().send("p", message, 0ms, 1'000'000);
        }
        damage.apply(file);
        std::string message = openError(file);
        EXPECT_EQ(message.substr(0, message.find('\n')), "ORA-01034: ORACLE not available");
        EXPECT_NE(message.find("damaged"), std::string::npos) << message;
        EXPECT_NE(message.find(file.string()), std::string::npos) << message;
    }
}

// Makes `path` read-only for this process: by its mode, or for root (whom
// modes do not stop) by a read-only bind mount in a private mount namespace.
bool makeReadOnly(const std::filesystem::path& path)
{
    if (geteuid() != 0)
        return ::chmod(path.c_str(), std::filesystem::is_directory(path) ? 0555 : 0444) == 0;
    static bool isolated = privateMounts();
    return isolated && mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) == 0
           && mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

struct ReadOnlyCase {
    const char* name;
    bool fileExists;
    bool folderReadOnly;            // else the file is
    const char* expected;           // %s: the folder
    const char* orOnAReadOnlyMount; // where the file is as read-only as its folder
};

constexpr ReadOnlyCase kReadOnlyCases[] = {
    {"new file in a read-only folder", false, true, "the folder %s is read-only", nullptr},
    {"existing file in a read-only folder", true, true, "the folder %s is read-only",
     "the database file is read-only (Read-only file system)"},
    {"read-only file", true, false, "the database file is read-only", nullptr},
};

TEST(ReadOnly, TheRefusalSaysWhatIsReadOnly)
{
    for (const ReadOnlyCase& test : kReadOnlyCases) {
        SCOPED_TRACE(test.name);
        ScratchFolder scratch;
        auto folder = scratch.path() / "place";
        std::filesystem::create_directory(folder);
        auto file = folder / "ro.db";
        if (test.fileExists)
            Database::open(file);
        std::string expected = test.expected;
        if (auto at = expected.find("%s"); at != std::string::npos)
            expected.replace(at, 2, folder.string());

        ChildProcess child([&] {
            if (!makeReadOnly(test.folderReadOnly ? folder : file))
                return kUnavailableHere;
            std::string message = openError(file);
            std::fprintf(stderr, "%s\n", message.c_str());
            bool named = message.find(expected) != std::string::npos
                         || (test.orOnAReadOnlyMount
                             && message.find(test.orOnAReadOnlyMount) != std::string::npos);
            return message.starts_with("ORA-01034") && named ? 0 : 1;
        });
        int code = child.exitCode();
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        if (code == kUnavailableHere)
            GTEST_SKIP() << "running as root without the right to mount: cannot make a place "
                            "read-only for root";
        EXPECT_EQ(code, 0) << "expected: " << expected;
    }
}

} // namespace

} // namespace vexmoor::engine
