// vexmoor-cli as a user runs it: separate processes on one embedded database.

#include "options/ProcedureInstaller.h"
#include "support/EmbeddedTraceDatabase.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <csignal>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vexmoor::cli {

using namespace vexmoor::test;

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
    explicit Cli(const std::filesystem::path& folder) : folder_(folder) {}

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
        const auto in = folder_ / "stdin";
        const auto out = folder_ / "stdout";
        const auto err = folder_ / "stderr";
        std::ofstream(in, std::ios::binary) << input;
        // Until the child makes its own, no earlier run's output shows.
        std::filesystem::remove(out);
        std::filesystem::remove(err);

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

    // Like Finish, but a child still running at the deadline is killed
    // (status -1); `took` is the time it took to end.
    Outcome FinishWithin(pid_t child, std::chrono::milliseconds deadline,
                         std::chrono::milliseconds& took) const
    {
        const auto start = std::chrono::steady_clock::now();
        int status = 0;
        const bool ended =
            waitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, deadline);
        took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        if (!ended) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
        Outcome outcome = Finish(-1);
        outcome.status = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    Outcome Finish(pid_t child) const
    {
        Outcome outcome;
        int status = 0;
        if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
            outcome.status = WEXITSTATUS(status);
        outcome.out = Output();
        outcome.err = ReadFile(folder_ / "stderr");
        return outcome;
    }

    std::string Output() const { return ReadFile(folder_ / "stdout"); }

private:
    static void Redirect(const std::filesystem::path& path, int flags, int fd)
    {
        const int opened = ::open(path.c_str(), flags, 0600);
        if (opened < 0 || ::dup2(opened, fd) < 0)
            ::_exit(126);
        ::close(opened);
    }

    std::filesystem::path folder_;
};

// Whether the process has taken SIGINT and SIGTERM over (its main thread
// blocks them for the thread that waits for them), so a signal now is
// handled rather than ending it the default way.
bool HandlesStopSignals(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("SigBlk:")) {
            const unsigned long long blocked = std::stoull(line.substr(7), nullptr, 16);
            const unsigned long long wanted = (1ULL << (SIGINT - 1)) | (1ULL << (SIGTERM - 1));
            return (blocked & wanted) == wanted;
        }
    }
    return false;
}

// Whether the process's main thread sleeps in a timed pause. Once logged on,
// the console pauses only where a statement waits: a send on a full pipe
// waiting for room. Where the kernel does not tell (no /proc/PID/syscall),
// the answer is yes; a stop signal that comes before the wait ends the
// command the same way, only the wait itself is then not what it stops.
bool IsPausing(pid_t pid)
{
    std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
    std::string number;
    if (!(syscall >> number))
        return true;
    return number == std::to_string(SYS_clock_nanosleep) || number == std::to_string(SYS_nanosleep);
}

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
    ScratchFolder folder;
    Cli cli{folder.path()};
};

} // namespace

TEST_F(CliEndToEnd, InstallSendTailShowsTheMessagesByteForByte)
{
    const Outcome install = Run({"install"});
    EXPECT_EQ(install.status, 0) << install.err;
    EXPECT_EQ(install.out, "");
    EXPECT_EQ(install.err,
              "NOTE: You must be connect as a user that is allowed to execute the pipe "
              "package!.\nUse 'grant "
              "execute on dbms_pipe to <user>' when logged in as administrator to do this.\n");

    const Outcome send = Run({"send", "first message", "it's the second", "third: 'quoted'; end;"});
    EXPECT_EQ(send.status, 0) << send.err;

    const Outcome tail = Run({"tail", "--once"});
    EXPECT_EQ(tail.status, 0) << tail.err;
    EXPECT_EQ(tail.out, "first message\nit's the second\nthird: 'quoted'; end;\n");
    EXPECT_EQ(tail.err, "");

    const Outcome again = Run({"tail", "--once"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "");
}

TEST_F(CliEndToEnd, SendFromStandardInputToANamedPipeAndTailItUnpacked)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    const Outcome send =
        Run({"send", "--pipe", "side", "before", "-", "after"}, "line one\r\n\nline three");
    EXPECT_EQ(send.status, 0) << send.err;
    EXPECT_EQ(Run({"tail", "--once"}).out, "");

    const Outcome tail = Run({"tail", "--once", "--pipe", "side", "--no-lf"});
    EXPECT_EQ(tail.out, "beforeline oneline threeafter");

    ASSERT_EQ(Run({"send", "--trace", "--pipe", "side", "abc"}).status, 0);
    const Outcome unpacked = Run({"tail", "--once", "--pipe=side", "--auto-unpack"});
    EXPECT_TRUE(unpacked.out.starts_with("MESSAGE:\nNUMBER:\t'")) << unpacked.out;
    EXPECT_TRUE(unpacked.out.ends_with(": abc'\n\n")) << unpacked.out;
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
    const Outcome exec =
        Run({"exec", "-i", "N", "begin :Text := 'a:b'; :n := 41 + 1; :unset := :unset; end;",
             "begin :n := null; :other := 'x'; end;"});
    EXPECT_EQ(exec.status, 0) << exec.err;
    EXPECT_EQ(exec.out, ":Text=a:b\n:n=42\n:unset=\n:n=\n:other=x\n");
}

TEST_F(CliEndToEnd, ExecPrintsDbmsOutputAfterTheBinds)
{
    const Outcome exec =
        Run({"exec",
             "begin dbms_output.put_line('first'); :n := 'v'; dbms_output.put_line(null); "
             "dbms_output.put('x'); dbms_output.put_line('y'); end;",
             "begin dbms_output.put('unfinished'); end;", "begin dbms_output.new_line; end;"});
    EXPECT_EQ(exec.status, 0) << exec.err;
    EXPECT_EQ(exec.out, ":n=v\nfirst\n\nxy\nunfinished\n");
}

TEST_F(CliEndToEnd, FailuresEndWithTheirOwnStatus)
{
    const Outcome failing =
        Run({"exec", "begin :a := 'done'; end;", "begin no_such_thing; end;", "begin null; end;"});
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
         std::vector<std::vector<std::string>>{{},
                                               {"bogus"},
                                               {"send"},
                                               {"tail", "--interval", "soon"},
                                               {"--what"},
                                               {"-c", "no-at-sign", "purge"},
                                               {"purge"},
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
    EXPECT_EQ(cli.Run({"purge"}, {}, {{"VEXMOOR_CONNECT", target}, {"VEXMOOR_PASSWORD", "vexmoor"}})
                  .status,
              0);
    // No password anywhere and no terminal to ask on.
    const Outcome unasked = cli.Run({"purge"}, {}, {{"VEXMOOR_CONNECT", target}});
    EXPECT_EQ(unasked.status, 1);
    EXPECT_NE(unasked.err.find("no password"), std::string::npos) << unasked.err;
}

TEST_F(CliEndToEnd, TailShowsMessagesAsTheyComeAndStopsOnCtrlC)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    // The tracer writes into this test's folder; the sender needs one of its own.
    ScratchFolder senderFolder;
    const Cli sender(senderFolder.path());

    const pid_t tracer = cli.Start({"-c", Connect(), "tail", "--interval", "0.05"});
    ASSERT_GT(tracer, 0);
    ASSERT_EQ(sender.Run({"-c", Connect(), "send", "live"}).status, 0);
    EXPECT_TRUE(waitUntil([&] { return !cli.Output().empty(); })) << "the tracer shows nothing";
    EXPECT_EQ(cli.Output(), "live\n");

    ::kill(tracer, SIGINT);
    const Outcome stopped = cli.Finish(tracer);
    EXPECT_EQ(stopped.status, 130)
        << "ended by the signal itself, or with an error: " << stopped.err;
    EXPECT_EQ(stopped.out, "live\n");
}

namespace {

// Fills the pipe 'vexmoor' with one-byte texts until the next does not fit:
// any message SendDebugMessage makes then waits for room.
constexpr const char* kFillPipe =
    "declare s number := 0; begin while s = 0 loop dbms_pipe.pack_message('x'); "
    "s := dbms_pipe.send_message('vexmoor', 0); end loop; end;";

enum class Busy { LoopingExec, BlockedSend, TailUnderLoad };

std::string BusyName(const testing::TestParamInfo<std::tuple<Busy, int>>& info)
{
    const Busy busy = std::get<0>(info.param);
    const char* what = busy == Busy::LoopingExec   ? "LoopingExec"
                       : busy == Busy::BlockedSend ? "BlockedSend"
                                                   : "TailUnderLoad";
    return std::string(what) + (std::get<1>(info.param) == SIGINT ? "_SIGINT" : "_SIGTERM");
}

class CliStopSignal : public CliEndToEnd,
                      public testing::WithParamInterface<std::tuple<Busy, int>> {
protected:
    // Starts the command busy as the case says; returns once it is busy (or
    // as near to that as can be seen from outside).
    pid_t StartBusy(Busy busy)
    {
        if (busy == Busy::LoopingExec) {
            // The loop says from inside that it runs: a signal seen before
            // it started would end exec without a statement to break.
            const pid_t child =
                cli.Start({"-c", Connect(), "exec",
                           "declare s integer; begin dbms_pipe.pack_message('running'); "
                           "s := dbms_pipe.send_message('busy'); loop null; end loop; end;"});
            const Outcome running =
                loader_.Run({"-c", Connect(), "exec",
                             "begin :got := dbms_pipe.receive_message('busy', 30); end;"});
            EXPECT_EQ(running.out, ":got=0\n") << running.err;
            return child;
        }
        if (busy == Busy::BlockedSend) {
            EXPECT_EQ(Run({"exec", kFillPipe}).status, 0);
            const pid_t child = cli.Start({"-c", Connect(), "send", "late"});
            EXPECT_TRUE(waitUntil([&] { return HandlesStopSignals(child); }));
            EXPECT_TRUE(waitUntil([&] { return IsPausing(child); }))
                << "the send never waited for room";
            return child;
        }
        load_ = loader_.Start(
            {"-c", Connect(), "exec", "begin loop SendDebugMessage('load'); end loop; end;"});
        const pid_t child = cli.Start({"-c", Connect(), "tail", "--interval", "0.01"});
        EXPECT_TRUE(waitUntil([&] { return cli.Output().size() > 1000; }));
        return child;
    }

    void TearDown() override
    {
        if (load_ > 0) {
            ::kill(load_, SIGKILL);
            loader_.Finish(load_);
        }
    }

    ScratchFolder loaderFolder_;
    Cli loader_{loaderFolder_.path()};
    pid_t load_ = -1;
};

} // namespace

// SIGINT and SIGTERM end the console within a second whatever the engine is
// doing, with 128 + the signal's number. The deadline here only catches a
// signal that was ignored; the time taken is reported.
TEST_P(CliStopSignal, EndsTheCommandWithTheSignalsStatus)
{
    const auto [busy, signal] = GetParam();
    ASSERT_EQ(Run({"install"}).status, 0);
    const pid_t child = StartBusy(busy);
    ASSERT_GT(child, 0);

    ASSERT_EQ(::kill(child, signal), 0);
    std::chrono::milliseconds took{};
    const Outcome stopped = cli.FinishWithin(child, std::chrono::seconds(5), took);
    RecordProperty("milliseconds_to_end", static_cast<int>(took.count()));
    EXPECT_EQ(stopped.status, 128 + signal) << stopped.err;

    if (busy == Busy::LoopingExec) {
        EXPECT_NE(stopped.err.find("ORA-01013: user requested cancel of current operation"),
                  std::string::npos)
            << stopped.err;
    }
    if (busy == Busy::BlockedSend) {
        // Room now, and time to use it: the interrupted message never comes.
        const Outcome drained =
            Run({"exec", "declare t varchar2(10); begin :others := 0; "
                         "while dbms_pipe.receive_message('vexmoor', 1) = 0 loop "
                         "if dbms_pipe.next_item_type <> 9 then :others := :others + 1; end if; "
                         "end loop; end;"});
        EXPECT_EQ(drained.out, ":others=0\n") << drained.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, CliStopSignal,
                         testing::Combine(testing::Values(Busy::LoopingExec, Busy::BlockedSend,
                                                          Busy::TailUnderLoad),
                                          testing::Values(SIGINT, SIGTERM)),
                         BusyName);

// Each message is out before the next is received: a reader killed at any
// moment has lost at most the one it was reading, and nothing comes twice.
TEST_F(CliEndToEnd, ReaderKilledUnderLoadLosesAtMostOneMessagePerKill)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    ScratchFolder senderFolder;
    const Cli sender(senderFolder.path());
    const pid_t load = sender.Start(
        {"-c", Connect(), "exec",
         "begin for i in 1..100000000 loop SendDebugMessage(to_char(i)); end loop; end;"});
    ASSERT_GT(load, 0);

    constexpr int kKills = 20;
    std::string received;
    for (int i = 0; i < kKills; ++i) {
        // CR LF ends each line, so that a torn line shows.
        const pid_t reader = cli.Start({"-c", Connect(), "tail", "--interval", "0.01", "--crlf"});
        // Killed mid-drain: it starts on a full pipe and is killed as soon as
        // it has written something.
        ASSERT_TRUE(waitUntil([&] { return !cli.Output().empty(); }));
        ::kill(reader, SIGKILL);
        received += cli.Finish(reader).out;
    }
    ::kill(load, SIGINT);
    EXPECT_EQ(sender.Finish(load).status, 130);
    received += Run({"tail", "--once", "--crlf"}).out;

    std::set<long> numbers;
    std::istringstream lines(received);
    std::string line;
    long duplicates = 0;
    while (std::getline(lines, line)) {
        ASSERT_TRUE(line.ends_with("\r")) << "a torn line: " << line;
        duplicates += numbers.insert(std::stol(line)).second ? 0 : 1;
    }
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(duplicates, 0);
    const long lost = *numbers.rbegin() - static_cast<long>(numbers.size());
    EXPECT_LE(lost, kKills) << numbers.size() << " messages received, up to " << *numbers.rbegin();
}

TEST_F(CliEndToEnd, InstallNamesEachRefusedStatementAndFails)
{
    const std::string system = "system/manager@" + database.ConnectString();
    ASSERT_EQ(cli.Run({"-c", system, "exec", "create user plain identified by secret"}).status, 0);

    const Outcome refused = cli.Run({"-c", "plain/secret@" + database.ConnectString(), "install"});
    EXPECT_EQ(refused.status, 3);
    for (std::string_view statement : options::kInstallStatements) {
        const std::string name(statement.substr(0, statement.find('\n')));
        EXPECT_NE(refused.err.find("vexmoor-cli: the server refused \"" + name + "\": ORA-01031"),
                  std::string::npos)
            << refused.err;
    }

    // Installing again meets the synonyms made the first time, and says so;
    // the procedures are replaced, so that is no failure.
    ASSERT_EQ(Run({"install"}).status, 0);
    const Outcome again = Run({"install"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(
        again.err.find("CREATE PUBLIC SYNONYM SendTraceMessage FOR SendTraceMessage\": ORA-00955"),
        std::string::npos)
        << again.err;
}

TEST_F(CliEndToEnd, SendRefusesALineWithANulByteAndSendsTheOthers)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    const Outcome send = Run({"send", "-", "after"}, std::string("one\nt\0wo\r\nthree", 15));
    EXPECT_EQ(send.status, 3);
    EXPECT_EQ(send.err,
              "vexmoor-cli: line 2 of standard input holds a NUL byte; it was not sent\n");
    EXPECT_EQ(Run({"tail", "--once"}).out, "one\nthree\nafter\n");
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
        {"typed message with Auto Unpack off",
         {},
         "dbms_pipe.pack_message('typed');",
         "MESSAGE:\r\nVARCHAR2:\t'typed'\r\n\r\nnext\r\n"},
        {"3,000-byte text",
         {},
         "dbms_pipe.pack_message(3000); dbms_pipe.pack_message('" + longText + "');",
         longText + "\r\nnext\r\n"},
        {"RAW item where the text belongs",
         {},
         "dbms_pipe.pack_message_raw(HEXTORAW('0102'));",
         "MESSAGE:\r\nRAW:\t'UNKNOWN'\r\n\r\nnext\r\n"},
        {"text the item block cannot take",
         {"--auto-unpack"},
         "dbms_pipe.pack_message('" + longText + "');",
         "MESSAGE:\r\n" + tooLong + "\r\nMESSAGE:\r\nNUMBER:\t'4'\r\nVARCHAR2:\t'next'\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome packed = Run({"exec", "declare s integer; begin " + c.packing
                                                + " s := dbms_pipe.send_message('vexmoor'); end;"});
        ASSERT_EQ(packed.status, 0) << packed.err;
        ASSERT_EQ(Run({"send", "next"}).status, 0);
        // The log window's bytes.
        std::vector<std::string> arguments{"tail", "--once", "--crlf"};
        arguments.insert(arguments.end(), c.tailOptions.begin(), c.tailOptions.end());
        const Outcome tail = Run(arguments);
        EXPECT_EQ(tail.status, 0) << tail.err;
        EXPECT_EQ(tail.err, "");
        EXPECT_EQ(tail.out, c.shown);
    }
}

// A terminal's line feed by default, the log window's bytes with --crlf; the
// CR LF inside a message is the message's own and stays.
TEST_F(CliEndToEnd, TailLineEndsByteForByte)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    struct Case {
        std::vector<std::string> options;
        std::string shown;
    };
    const Case cases[] = {
        {{}, "first\nown\r\nbreak\n"},
        {{"--crlf"}, "first\r\nown\r\nbreak\r\n"},
        {{"--no-lf"}, "firstown\r\nbreak"},
        {{"--no-lf", "--crlf"}, "firstown\r\nbreak"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options));
        ASSERT_EQ(Run({"send", "first", "own\r\nbreak"}).status, 0);
        std::vector<std::string> arguments{"tail", "--once"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const Outcome tail = Run(arguments);
        EXPECT_EQ(tail.status, 0) << tail.err;
        EXPECT_EQ(tail.out, c.shown);
    }
}

// Each line goes to the journal with its ISO 8601 receipt time, appended to
// what the file held, and to standard output with the same time of day; a
// journal that cannot be opened is named once and the lines still come.
TEST_F(CliEndToEnd, TailJournalAndReceiptTime)
{
    ASSERT_EQ(Run({"install"}).status, 0);
    ASSERT_EQ(Run({"send", "one", "two"}).status, 0);
    const std::filesystem::path journal = folder.path() / "trace.log";
    std::ofstream(journal, std::ios::binary) << "earlier\n";
    const Outcome tail = Run({"tail", "--once", "--receipt-time", "--journal", journal.string()});
    EXPECT_EQ(tail.status, 0) << tail.err;
    EXPECT_EQ(tail.err, "");

    const std::string time = R"((\d\d:\d\d:\d\d\.\d{3}))";
    const std::string date = R"(\d{4}-\d\d-\d\dT)";
    const std::string offset = R"([+-]\d\d:\d\d )";
    std::smatch shown;
    ASSERT_TRUE(std::regex_match(tail.out, shown, std::regex(time + " one\n" + time + " two\n")))
        << tail.out;
    const std::string journaled = ReadFile(journal);
    std::smatch kept;
    ASSERT_TRUE(std::regex_match(journaled, kept,
                                 std::regex("earlier\n" + date + time + offset + "one\r\n" + date
                                            + time + offset + "two\r\n")))
        << journaled;
    EXPECT_EQ(kept[1], shown[1]);
    EXPECT_EQ(kept[2], shown[2]);

    ASSERT_EQ(Run({"send", "three"}).status, 0);
    const std::string below = (journal / "journal.log").string();
    const Outcome failing = Run({"tail", "--once", "--journal", below});
    EXPECT_EQ(failing.status, 3);
    EXPECT_EQ(failing.out, "three\n");
    EXPECT_EQ(failing.err, "vexmoor-cli: cannot open the journal " + below
                               + ": Not a directory; tracing goes on without it\n");
}

TEST_F(CliEndToEnd, SendBeforeInstallSaysToInstallFirst)
{
    const std::string hint = "\nvexmoor-cli: run 'vexmoor-cli install' (or Options > Generate "
                             "Procedures in Vexmoor) first: it creates SendDebugMessage and "
                             "SendTraceMessage\n";
    for (const bool trace : {false, true}) {
        SCOPED_TRACE(trace ? "SendTraceMessage" : "SendDebugMessage");
        const Outcome send =
            trace ? Run({"send", "--trace", "lost"}) : Run({"send", "lost", "also lost"});
        EXPECT_EQ(send.status, 3);
        EXPECT_TRUE(send.err.starts_with("ORACLE Error")) << send.err;
        EXPECT_NE(send.err.find("PLS-00201"), std::string::npos) << send.err;
        EXPECT_TRUE(send.err.ends_with(hint)) << send.err;
        EXPECT_EQ(send.err.find(hint), send.err.size() - hint.size()) << send.err;
    }
}

} // namespace vexmoor::cli
