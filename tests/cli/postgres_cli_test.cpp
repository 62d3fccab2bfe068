// vexmoor-cli on a real PostgreSQL server: install, send, tail and purge as
// separate processes, the way a user runs them.

#include "support/PostgresServer.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexmoor::cli {

namespace {

using test::PostgresEnvironment;
using test::PostgresServer;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class PostgresCli : public ::testing::Test {
protected:
    void SetUp() override { VEXMOOR_REQUIRE_POSTGRES(); }

    std::string connect(const std::string& password = PostgresServer::kPassword) const
    {
        return std::string(PostgresServer::kRole) + "/" + password + "@"
               + PostgresEnvironment::server()->uri();
    }

    // Runs vexmoor-cli -c CONNECT ARGUMENTS... with `input` on standard input.
    Outcome run(std::vector<std::string> arguments, const std::string& input = {},
                const std::string& connectArgument = {}) const
    {
        const auto in = folder_.path() / "stdin";
        const auto out = folder_.path() / "stdout";
        const auto err = folder_.path() / "stderr";
        std::ofstream(in, std::ios::binary) << input;
        arguments.insert(
            arguments.begin(),
            {VEXMOOR_CLI_PATH, "-c", connectArgument.empty() ? connect() : connectArgument});
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            ::setsid();
            const auto redirect = [](const std::filesystem::path& path, int flags, int fd) {
                const int opened = ::open(path.c_str(), flags, 0644);
                ::dup2(opened, fd);
                ::close(opened);
            };
            redirect(in, O_RDONLY, 0);
            redirect(out, O_WRONLY | O_CREAT | O_TRUNC, 1);
            redirect(err, O_WRONLY | O_CREAT | O_TRUNC, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        Outcome outcome;
        int status = 0;
        if (::waitpid(child, &status, 0) == child && WIFEXITED(status))
            outcome.status = WEXITSTATUS(status);
        outcome.out = ReadFile(out);
        outcome.err = ReadFile(err);
        return outcome;
    }

    test::ScratchFolder folder_;
};

TEST_F(PostgresCli, InstallSendTailAndPurgeAcrossProcesses)
{
    for (int round = 0; round < 2; ++round) {
        const Outcome installed = run({"install"});
        EXPECT_EQ(installed.status, 0) << installed.err;
    }
    ASSERT_EQ(run({"purge"}).status, 0);

    Outcome sent = run({"send", "first", "-"}, "o'brien\nthird\n");
    EXPECT_EQ(sent.status, 0) << sent.err;
    sent = run({"send", "--trace", "traced"});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(run({"send", "--pipe", "it's", "elsewhere"}).status, 0);

    Outcome tail = run({"tail", "--once"});
    EXPECT_EQ(tail.status, 0) << tail.err;
    ASSERT_TRUE(tail.out.starts_with("first\no'brien\nthird\n")) << tail.out;
    EXPECT_TRUE(tail.out.ends_with(": traced\n")) << tail.out;

    tail = run({"tail", "--once", "--auto-unpack", "--pipe", "it's"});
    EXPECT_EQ(tail.out, "MESSAGE:\nNUMBER:\t'9'\nVARCHAR2:\t'elsewhere'\n\n") << tail.err;

    EXPECT_EQ(run({"send", "gone"}).status, 0);
    EXPECT_EQ(run({"purge"}).status, 0);
    tail = run({"tail", "--once"});
    EXPECT_EQ(tail.status, 0);
    EXPECT_EQ(tail.out, "");
}

TEST_F(PostgresCli, RefusalsAndFailuresEndWithTheirOwnStatus)
{
    Outcome outcome = run({"tail", "--once"}, {}, connect("wrong"));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("password authentication failed"), std::string::npos) << outcome.err;

    outcome = run({"exec", "begin null; end;"});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("not available on PostgreSQL"), std::string::npos) << outcome.err;

    // A database without orafce: the receive fails and the report names it.
    PostgresEnvironment::server()->runSql("drop database if exists bare; create database bare");
    std::string bare = connect();
    bare.replace(bare.find("/postgres?"), 10, "/bare?");
    outcome = run({"tail", "--once"}, {}, bare);
    EXPECT_EQ(outcome.status, 3);
    EXPECT_NE(outcome.err.find("PostgreSQL Error when processing PQexecParams\nSQLSTATE 3F000: "),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("Error in:\nselect dbms_pipe.receive_message($1, 0)"),
              std::string::npos)
        << outcome.err;
}

} // namespace

} // namespace vexmoor::cli
