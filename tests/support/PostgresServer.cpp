#include "PostgresServer.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexmoor::test {

namespace {

bool isRoot()
{
    return ::geteuid() == 0;
}

// Runs a program and waits for it; its exit code, or -1 when it could not
// run or a signal ended it. Its output goes to `output` (appended).
int runProgram(const std::vector<std::string>& arguments, const std::filesystem::path& workFolder,
               const std::filesystem::path& output)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(fd, STDERR_FILENO);
            ::close(fd);
        }
        if (::chdir(workFolder.c_str()) != 0)
            ::_exit(127);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::filesystem::path newFolder()
{
    static std::atomic<int> counter{0};
    // Short: the socket's path must fit in 107 bytes.
    const std::filesystem::path path =
        std::filesystem::temp_directory_path()
        / ("vexmoor-pg-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

void giveToPostgresUser(const std::filesystem::path& folder)
{
    const passwd* user = ::getpwnam("postgres");
    if (user == nullptr)
        throw std::runtime_error("running as root, but there is no `postgres` system user");
    if (::chown(folder.c_str(), user->pw_uid, user->pw_gid) != 0)
        throw std::runtime_error("cannot give " + folder.string() + " to the postgres user");
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::optional<std::filesystem::path> PostgresServer::findBinaries()
{
    std::vector<std::filesystem::path> candidates;
    if (const char* named = std::getenv("VEXMOOR_PG_BINDIR"); named && *named)
        candidates.emplace_back(named);
    candidates.emplace_back("/usr/lib/postgresql/15/bin");
    for (const auto& folder : candidates) {
        std::error_code ignored;
        if (std::filesystem::exists(folder / "initdb", ignored)
            && std::filesystem::exists(folder / "pg_ctl", ignored)
            && std::filesystem::exists("/usr/share/postgresql/15/extension/orafce.control",
                                       ignored))
            return folder;
    }
    return std::nullopt;
}

PostgresServer::PostgresServer(std::filesystem::path binaries)
    : binaries_(std::move(binaries)), folder_(newFolder())
{
    try {
        if (isRoot())
            giveToPostgresUser(folder_);
        const std::filesystem::path passwordFile = folder_ / "password";
        std::ofstream(passwordFile) << kPassword << '\n';
        if (isRoot())
            giveToPostgresUser(passwordFile);
        // Password authentication on the socket; nothing listens on TCP.
        if (runAsOwner({(binaries_ / "initdb").string(), "-D", (folder_ / "data").string(), "-U",
                        kRole, "--pwfile=" + passwordFile.string(), "--auth=scram-sha-256", "-E",
                        "UTF8", "--locale=C", "--no-sync"})
            != 0)
            throw std::runtime_error("initdb failed:\n" + serverLog());
        start();
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        throw;
    }
}

PostgresServer::~PostgresServer()
{
    if (running_)
        stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void PostgresServer::start()
{
    const std::string options = "-c listen_addresses='' -c fsync=off -k " + folder_.string();
    if (runAsOwner({(binaries_ / "pg_ctl").string(), "-D", (folder_ / "data").string(), "-o",
                    options, "-l", (folder_ / "server.log").string(), "-w", "-t", "120", "start"})
        != 0)
        throw std::runtime_error("the PostgreSQL server did not start:\n" + serverLog());
    running_ = true;
}

void PostgresServer::stop()
{
    runAsOwner({(binaries_ / "pg_ctl").string(), "-D", (folder_ / "data").string(), "-m",
                "immediate", "-w", "-t", "120", "stop"});
    running_ = false;
}

std::string PostgresServer::uri() const
{
    return "postgresql:///postgres?host=" + folder_.string();
}

void PostgresServer::runSql(const std::string& sql) const
{
    const std::filesystem::path script = folder_ / "script.sql";
    std::ofstream(script) << sql << '\n';
    const std::string psql = (binaries_ / "psql").string();
    // The superuser's password travels in the environment of psql only.
    if (runAsOwner({"env", std::string("PGPASSWORD=") + kPassword, psql, "-X", "-q", "-v",
                    "ON_ERROR_STOP=1", "-h", folder_.string(), "-U", kRole, "-d", "postgres", "-f",
                    script.string()})
        != 0)
        throw std::runtime_error("psql failed on:\n" + sql + "\n" + serverLog());
}

int PostgresServer::runAsOwner(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> command;
    if (isRoot())
        command = {"runuser", "-u", "postgres", "--"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runProgram(command, folder_, folder_ / "commands.log");
}

std::string PostgresServer::serverLog() const
{
    return readFile(folder_ / "commands.log") + readFile(folder_ / "server.log");
}

namespace {

std::unique_ptr<PostgresServer>& theServer()
{
    static std::unique_ptr<PostgresServer> server;
    return server;
}

std::string& missingReason()
{
    static std::string reason;
    return reason;
}

} // namespace

void PostgresEnvironment::SetUp()
{
    const auto binaries = PostgresServer::findBinaries();
    if (!binaries) {
        missingReason() = "PostgreSQL 15 with orafce is not installed (apt-get install "
                          "postgresql-15 postgresql-15-orafce); skipped";
        return;
    }
    try {
        theServer() = std::make_unique<PostgresServer>(*binaries);
    } catch (const std::exception& error) {
        missingReason() = error.what();
        // Installed but not working is a failure, not a reason to skip.
        FAIL() << error.what();
    }
}

void PostgresEnvironment::TearDown()
{
    theServer().reset();
}

PostgresServer* PostgresEnvironment::server()
{
    return theServer().get();
}

const std::string& PostgresEnvironment::missing()
{
    return missingReason();
}

} // namespace vexmoor::test

namespace {
// GoogleTest owns the environment; registering it here starts one server for
// every test program that links this file.
[[maybe_unused]] ::testing::Environment* const kRegistered =
    ::testing::AddGlobalTestEnvironment(new vexmoor::test::PostgresEnvironment);
} // namespace
