#pragma once

// A real PostgreSQL server with orafce for one test program: initdb into a
// temporary folder, listening only on a Unix socket in that folder, stopped
// and removed at the end. As root it runs as the `postgres` system user,
// since PostgreSQL refuses to run as root.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace vexmoor::test {

class PostgresServer {
public:
    // The role every test logs on as: a superuser with a password, so that
    // logons go through password authentication.
    static constexpr const char* kRole = "vexmoor";
    static constexpr const char* kPassword = "vexmoor";

    // Where initdb and pg_ctl are; nothing when no PostgreSQL 15 is installed
    // ($VEXMOOR_PG_BINDIR names another folder).
    static std::optional<std::filesystem::path> findBinaries();

    // Creates the cluster and starts it; throws std::runtime_error with the
    // server's log when that fails.
    explicit PostgresServer(std::filesystem::path binaries);
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // libpq's URI of the database `postgres` through the socket folder.
    std::string uri() const;
    const std::filesystem::path& socketFolder() const { return folder_; }

    // Stops the server at once (as a crash or an administrator would), and
    // starts it again on the same files.
    void stop();
    void start();
    bool running() const { return running_; }

    // Runs SQL as the superuser through psql; throws when it fails.
    void runSql(const std::string& sql) const;

private:
    int runAsOwner(const std::vector<std::string>& arguments) const;
    std::string serverLog() const;

    std::filesystem::path binaries_;
    std::filesystem::path folder_;
    bool running_ = false;
};

// Starts one server for the whole test program. Register it from main() or
// with ::testing::AddGlobalTestEnvironment; tests call server() and skip when
// PostgreSQL is not installed.
class PostgresEnvironment final : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

    // The running server; nullptr when the binaries are missing (missing()
    // says why). A server that fails to start fails the test program.
    static PostgresServer* server();
    static const std::string& missing();
};

} // namespace vexmoor::test

// Skips the current test when no PostgreSQL server could be made for it.
#define VEXMOOR_REQUIRE_POSTGRES()                                                                 \
    do {                                                                                           \
        if (::vexmoor::test::PostgresEnvironment::server() == nullptr)                             \
            GTEST_SKIP() << ::vexmoor::test::PostgresEnvironment::missing();                       \
    } while (false)
