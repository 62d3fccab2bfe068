// vexmoor-cli as a user runs it: separate processes on one embedded database.

#include "trace/EmbeddedTraceDatabase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>

#include <csignal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Outcome {
    int status = -1; // exit status; -1 when the process did not exit normally
    std::string out;
    std::string err;
};

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class Cli {
public:
    explicit Cli(const std::filesystem::path& folder) : m_folder(folder) {}

    // Runs vexmoor-cli with the arguments, `input` on standard input and an
    // environment without any VEXMOOR_ variable except those given. The
    // child has no controlling terminal, so nothing can be asked for.
    Outcome Run(const std::vector<std::string>& arguments, const std::string& input = {},
                const std::map<std::string, std::string>& variables = {}) const
    {
        return Finish(Start(arguments, input, variables));
    }

    // The process keeps running; Finish waits for it.
    pid_t Start(const std::vector<std::string>& arguments, const std::string& input = {},
                const std::map<std::string, std::string>& variables = {}) const
    {
        const auto in = m_folder / "stdin";
        const auto out = m_folder / "stdout";
        const auto err = m_folder / "stderr";
        std::ofstream(in, std::ios::binary) << input;

        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            if (std::strncmp(*entry, "VEXMOOR_", 8) != 0)
                environment.emplace_back(*entry);
        }
        for (const auto& [name, value] : variables)
            environment.push_back(name + "=" + value);

        std::vector<std::string> argv{VEXMOOR_CLI_PATH};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> argvPointers;
        for (std::string& argument : argv)
            argvPointers.push_back(argument.data());
        argvPointers.push_back(nullptr);
        std::vector<char*> environmentPointers;
        for (std::string& entry : environment)
            environmentPointers.push_back(entry.data());
        environmentPointers.push_back(nullptr);

        const pid_t child = ::fork();
        if (child == 0) {
            ::setsid();
            Redirect(in, O_RDONLY, 0);
            Redirect(out, O_WRONLY | O_CREAT | O_TRUNC, 1);
            Redirect(err, O_WRONLY | O_CREAT | O_TRUNC, 2);
            ::execve(argvPointers[0], argvPointers.data(), environmentPointers.data());
            ::_exit(127);
        }
        return child;
    }

    Outcome Finish(pid_t child) const
    {
        Outcome outcome;
        int status = 0;
        if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
            outcome.status = WEXITSTATUS(status);
        outcome.out = Output();
        outcome.err = ReadFile(m_folder / "stderr");
        return outcome;
    }

    std::string Output() const { return ReadFile(m_folder / "stdout"); }

private:
    static void Redirect(const std::filesystem::path& path, int flags, int fd)
    {
        const int opened = ::open(path.c_str(), flags, 0600);
        if (opened < 0 || ::dup2(opened, fd) < 0)
            ::_exit(126);
        ::close(opened);
    }

    std::filesystem::path m_folder;
};

class CliEndToEnd : public ::testing::Test {
protected:
    std::string Connect(const std::string& password = "vexmoor") const
    {
        return "vexmoor/" + password + "@" + database.ConnectString();
    }

    Outcome Run(std::vector<std::string> arguments, const std::string& input = {}) const
    {
        arguments.insert(arguments.begin(), {"-c", Connect()});
        return cli.Run(arguments, input);
    }

    EmbeddedTraceDatabase database;
    TemporaryFolder folder;
    Cli cli{folder.Path()};
};

} // namespace

TEST_F(CliEndToEnd, InstallSendTailShowsTheMessagesByteForByte)
{
    const Outcome install = Run({"install"});
    EXPECT_EQ(install.status, 0) << install.err;
    EXPECT_EQ(install.out, "");
    EXPECT_EQ(install.err,
              "NOTE: You must be connect as a user that is allowed to execute the pipe package!.\nUse 'grant "
              "execute on dbms_pipe to <user>' when logged in as administrator to do this.\n");

    const Outcome send = Run({"send", "first message", "it's the second", "third: 'quoted'; end;"});
    EXPECT_EQ(send.status, 0) << send.err;

    const Outcome tail = Run({"tail", "--once"});
    EXPECT_EQ(tail.status, 0) << tail.err;
    EXPECT_EQ(tail.out, "first message\r\nit's the second\r\nthird: 'quoted'; end;\r\n");
    EXPECT_EQ(tail.err, "");

    const Outcome again = Run({"tail", "--once"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "");
}

TEST_F(CliEndToEnd, SendFromStandardInputToANamedPipeAndTailItUnpacked)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    const Outcome send = Run({"send", "--pipe", "side", "before", "-", "after"}, "line one\r\n\nline three");
    EXPECT_EQ(send.status, 0) << send.err;
    EXPECT_EQ(Run({"tail", "--once"}).out, "");

    const Outcome tail = Run({"tail", "--once", "--pipe", "side", "--no-lf"});
    EXPECT_EQ(tail.out, "beforeline oneline threeafter");

    ASSERT_EQ(Run({"send", "--trace", "--pipe", "side", "abc"}).status, 0);
    const Outcome unpacked = Run({"tail", "--once", "--pipe=side", "--auto-unpack"});
    EXPECT_TRUE(unpacked.out.starts_with("MESSAGE:\r\nNUMBER:\t'")) << unpacked.out;
    EXPECT_TRUE(unpacked.out.ends_with(": abc'\r\n\r\n")) << unpacked.out;
}

TEST_F(CliEndToEnd, PurgeThrowsAwayWhatWaits)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    ASSERT_EQ(Run({"send", "one", "two"}).status, 0);
    const Outcome purge = Run({"purge"});
    EXPECT_EQ(purge.status, 0) << purge.err;
    EXPECT_EQ(purge.out + purge.err, "");
    EXPECT_EQ(Run({"tail", "--once"}).out, "");
}

TEST_F(CliEndToEnd, ExecPrintsEveryPlaceholderAfterEachStatement)
{
    const Outcome exec = Run({"exec", "-i", "N", "begin :Text := 'a:b'; :n := 41 + 1; :unset := :unset; end;",
                              "begin :n := null; :other := 'x'; end;"});
    EXPECT_EQ(exec.status, 0) << exec.err;
    EXPECT_EQ(exec.out, ":Text=a:b\n:n=42\n:unset=\n:n=\n:other=x\n");
}

TEST_F(CliEndToEnd, FailuresEndWithTheirOwnStatus)
{
    const Outcome failing = Run({"exec", "begin :a := 'done'; end;", "begin no_such_thing; end;", "begin null; end;"});
    EXPECT_EQ(failing.status, 3);
    EXPECT_EQ(failing.out, ":a=done\n"); // what ran before the failure is out
    EXPECT_TRUE(failing.err.starts_with("ORACLE Error")) << failing.err;
    EXPECT_NE(failing.err.find("ORA-06550"), std::string::npos) << failing.err;
    EXPECT_TRUE(failing.err.ends_with("in:\nbegin no_such_thing; end;\n")) << failing.err;

    // Sending before the procedures exist is a database error too.
    EXPECT_EQ(Run({"send", "nobody listens"}).status, 3);

    const Outcome badLogon = cli.Run({"-c", Connect("wrong"), "tail", "--once"});
    EXPECT_EQ(badLogon.status, 1);
    EXPECT_NE(badLogon.err.find("ORA-01017"), std::string::npos) << badLogon.err;
    EXPECT_EQ(badLogon.out, "");
}

TEST_F(CliEndToEnd, UsageErrorsAndWhereTheLogonComesFrom)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{}, {"bogus"}, {"send"}, {"tail", "--interval", "soon"}, {"--what"},
                                               {"-c", "no-at-sign", "purge"}, {"purge"},
                                               {"-c", Connect(), "tail", "--once", "--pipe", ""}}) {
        const Outcome usage = cli.Run(arguments);
        EXPECT_EQ(usage.status, 2) << testing::PrintToString(arguments);
        EXPECT_TRUE(usage.err.starts_with("vexmoor-cli: ")) << usage.err;
        EXPECT_EQ(usage.out, "");
    }

    const Outcome help = cli.Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: vexmoor-cli")) << help.out;
    EXPECT_EQ(cli.Run({"--version"}).out, "vexmoor-cli 2.2.2\n");

    // From the environment, with the password apart.
    const std::string target = "vexmoor@" + database.ConnectString();
    EXPECT_EQ(cli.Run({"purge"}, {}, {{"VEXMOOR_CONNECT", target}, {"VEXMOOR_PASSWORD", "vexmoor"}}).status, 0);
    // No password anywhere and no terminal to ask on.
    const Outcome unasked = cli.Run({"purge"}, {}, {{"VEXMOOR_CONNECT", target}});
    EXPECT_EQ(unasked.status, 1);
    EXPECT_NE(unasked.err.find("no password"), std::string::npos) << unasked.err;
}

TEST_F(CliEndToEnd, TailShowsMessagesAsTheyComeAndStopsOnCtrlC)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    // The tracer writes into this test's folder; the sender needs one of its own.
    TemporaryFolder senderFolder;
    const Cli sender(senderFolder.Path());

    const pid_t tracer = cli.Start({"-c", Connect(), "tail", "--interval", "0.05"});
    ASSERT_GT(tracer, 0);
    ASSERT_EQ(sender.Run({"-c", Connect(), "send", "live"}).status, 0);
    for (int i = 0; i < 400 && cli.Output().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_EQ(cli.Output(), "live\r\n");

    ::kill(tracer, SIGINT);
    const Outcome stopped = cli.Finish(tracer);
    EXPECT_EQ(stopped.status, 0) << "ended by a signal, or with an error: " << stopped.err;
    EXPECT_EQ(stopped.out, "live\r\n");
}

// Whatever stored code puts on the pipe, tail shows it as far as it can be
// read, goes on with the next message and ends as asked.
TEST_F(CliEndToEnd, TailShowsUnreadableMessagesItemByItemAndGoesOn)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    const std::string longText(3000, 'y');
    const std::string tooLong = "MESSAGE NOT SHOWN: ORA-06502: PL/SQL: numeric or value error: "
                                "character string buffer too small\r\n";
    struct Case {
        const char* name;
        std::vector<std::string> tailOptions;
        std::string packing;
        std::string shown;
    };
    const std::vector<Case> cases{
        {"typed message with Auto Unpack off", {}, "dbms_pipe.pack_message('typed');",
         "MESSAGE:\r\nVARCHAR2:\t'typed'\r\n\r\nnext\r\n"},
        {"3,000-byte text", {}, "dbms_pipe.pack_message(3000); dbms_pipe.pack_message('" + longText + "');",
         longText + "\r\nnext\r\n"},
        {"RAW item where the text belongs", {}, "dbms_pipe.pack_message_raw(HEXTORAW('0102'));",
         "MESSAGE:\r\nRAW:\t'UNKNOWN'\r\n\r\nnext\r\n"},
        {"text the item block cannot take", {"--auto-unpack"}, "dbms_pipe.pack_message('" + longText + "');",
         "MESSAGE:\r\n" + tooLong + "\r\nMESSAGE:\r\nNUMBER:\t'4'\r\nVARCHAR2:\t'next'\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome packed =
            Run({"exec", "declare s integer; begin " + c.packing + " s := dbms_pipe.send_message('vexmoor'); end;"});
        ASSERT_EQ(packed.status, 0) << packed.err;
        ASSERT_EQ(Run({"send", "next"}).status, 0);
        std::vector<std::string> arguments{"tail", "--once"};
        arguments.insert(arguments.end(), c.tailOptions.begin(), c.tailOptions.end());
        const Outcome tail = Run(arguments);
        EXPECT_EQ(tail.status, 0) << tail.err;
        EXPECT_EQ(tail.err, "");
        EXPECT_EQ(tail.out, c.shown);
    }
}
