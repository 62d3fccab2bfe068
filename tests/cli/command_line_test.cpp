#include "cli/CommandLine.h"
#include "cli/ConnectionSource.h"

#include <gtest/gtest.h>

#include <map>

namespace vexmoor::cli {

namespace {

CliOptions Parsed(const std::vector<std::string>& arguments)
{
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    EXPECT_TRUE(parsed.options) << parsed.error;
    return parsed.options.value_or(CliOptions{});
}

std::string Refusal(const std::vector<std::string>& arguments)
{
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    EXPECT_FALSE(parsed.options);
    return parsed.error;
}

} // namespace

TEST(CommandLine, ConnectArgument)
{
    EXPECT_EQ(parseConnectArgument("scott/tiger@orcl"),
              (ConnectArgument{"scott", "tiger", "orcl"}));
    EXPECT_EQ(parseConnectArgument("scott@orcl"), (ConnectArgument{"scott", std::nullopt, "orcl"}));
    EXPECT_EQ(parseConnectArgument("scott/@orcl"), (ConnectArgument{"scott", "", "orcl"}));
    EXPECT_EQ(parseConnectArgument("vexmoor/vexmoor@embedded:/tmp/a@b/x.db"),
              (ConnectArgument{"vexmoor", "vexmoor", "embedded:/tmp/a@b/x.db"}));
    EXPECT_EQ(parseConnectArgument("u/\"p@ss/word\"@db"),
              (ConnectArgument{"u", "p@ss/word", "db"}));
    for (const char* bad : {"", "scott", "scott/tiger", "@orcl", "/tiger@orcl", "scott@",
                            "u/\"open@db", "u/\"p\"x@db"})
        EXPECT_FALSE(parseConnectArgument(bad)) << bad;
}

TEST(CommandLine, GlobalOptionsAndCommands)
{
    EXPECT_EQ(Parsed({"--help"}).command, CliCommand::Help);
    EXPECT_EQ(Parsed({"tail", "--help"}).command, CliCommand::Help);
    EXPECT_EQ(Parsed({"--version"}).command, CliCommand::Version);

    const CliOptions purge = Parsed({"-c", "u/p@db", "purge", "--pipe", "other"});
    EXPECT_EQ(purge.command, CliCommand::Purge);
    EXPECT_EQ(purge.connect, "u/p@db");
    EXPECT_EQ(purge.pipe, "other");
    EXPECT_EQ(Parsed({"--connect=u@db", "install"}).connect, "u@db");
    EXPECT_EQ(Parsed({"install"}).pipe, "vexmoor");

    EXPECT_NE(Refusal({}).find("no command"), std::string::npos);
    EXPECT_NE(Refusal({"frobnicate"}).find("unknown command"), std::string::npos);
    EXPECT_NE(Refusal({"-x", "tail"}).find("unknown option -x"), std::string::npos);
    EXPECT_NE(Refusal({"-c"}).find("-c needs a value"), std::string::npos);
    EXPECT_NE(Refusal({"-c", "nobody", "tail"}).find("USER[/PASSWORD]@CONNECT"), std::string::npos);
    EXPECT_NE(Refusal({"install", "extra"}).find("unexpected argument 'extra'"), std::string::npos);
    EXPECT_NE(Refusal({"install", "--pipe", "x"}).find("unknown option --pipe"), std::string::npos);
}

TEST(CommandLine, ExecSendAndTail)
{
    const CliOptions exec =
        Parsed({"exec", "-i", "n", "begin :n := 1; end;", "--integer=:m", "select 1"});
    EXPECT_EQ(exec.statements, (std::vector<std::string>{"begin :n := 1; end;", "select 1"}));
    EXPECT_EQ(exec.integerNames, (std::vector<std::string>{"n", ":m"}));
    EXPECT_EQ(Parsed({"exec", "-- first the comment\nbegin null; end;"}).statements,
              (std::vector<std::string>{"-- first the comment\nbegin null; end;"}));
    EXPECT_EQ(Parsed({"send", "-1 degrees", "--pipe=my pipe"}).texts,
              (std::vector<std::string>{"-1 degrees"}));
    Refusal({"exec"});
    Refusal({"exec", "-i"});

    const CliOptions send =
        Parsed({"send", "--trace", "--pipe=p", "one", "-", "--", "--not-an-option"});
    EXPECT_TRUE(send.trace);
    EXPECT_EQ(send.pipe, "p");
    EXPECT_EQ(send.texts, (std::vector<std::string>{"one", "-", "--not-an-option"}));
    Refusal({"send"});
    Refusal({"send", "--once", "x"});
    Refusal({"send", "--trace=yes", "x"});

    const CliOptions defaults = Parsed({"tail"});
    EXPECT_EQ(defaults.pipe, "vexmoor");
    EXPECT_EQ(defaults.intervalSeconds, 5);
    EXPECT_FALSE(defaults.autoUnpack);
    EXPECT_TRUE(defaults.lfFlag);
    EXPECT_FALSE(defaults.once);
    EXPECT_FALSE(defaults.crlf);
    EXPECT_FALSE(defaults.receiptTime);
    EXPECT_FALSE(defaults.journal);
    const CliOptions tail =
        Parsed({"tail", "--interval", "0.25", "--auto-unpack", "--no-lf", "--once", "--pipe", "q",
                "--crlf", "--receipt-time", "--journal", "j.log"});
    EXPECT_EQ(tail.intervalSeconds, 0.25);
    EXPECT_TRUE(tail.autoUnpack);
    EXPECT_FALSE(tail.lfFlag);
    EXPECT_TRUE(tail.once);
    EXPECT_EQ(tail.pipe, "q");
    EXPECT_TRUE(tail.crlf);
    EXPECT_TRUE(tail.receiptTime);
    EXPECT_EQ(tail.journal, "j.log");
    EXPECT_EQ(Parsed({"tail", "--journal=-"}).journal, "-");
    EXPECT_EQ(Refusal({"tail", "--journal="}), "--journal needs a file name");
    Refusal({"tail", "--journal"});
    Refusal({"tail", "--crlf=yes"});
    Refusal({"send", "--receipt-time", "x"});
    for (const char* interval : {"", "x", "-1", "1s", "nan", "inf"})
        EXPECT_NE(Refusal({"tail", "--interval", interval}).find("--interval"), std::string::npos)
            << interval;
    Refusal({"tail", "now"});

    for (const auto& emptyPipe : std::vector<std::vector<std::string>>{{"tail", "--pipe", ""},
                                                                       {"tail", "--pipe="},
                                                                       {"send", "--pipe", "", "x"},
                                                                       {"purge", "--pipe="}})
        EXPECT_EQ(Refusal(emptyPipe), "--pipe needs a pipe name")
            << testing::PrintToString(emptyPipe);
}

TEST(CommandLine, ConnectionComesFromTheArgumentThenTheEnvironment)
{
    std::map<std::string, std::string> environment;
    const EnvironmentLookup lookup = [&](const char* name) -> std::optional<std::string> {
        auto found = environment.find(name);
        if (found == environment.end())
            return std::nullopt;
        return found->second;
    };

    CliOptions options;
    EXPECT_NE(resolveConnection(options, lookup).error.find("VEXMOOR_CONNECT"), std::string::npos);

    environment["VEXMOOR_CONNECT"] = "env@envdb";
    EXPECT_EQ(resolveConnection(options, lookup).connection,
              (ConnectArgument{"env", std::nullopt, "envdb"}));
    environment["VEXMOOR_PASSWORD"] = "secret";
    EXPECT_EQ(resolveConnection(options, lookup).connection,
              (ConnectArgument{"env", "secret", "envdb"}));

    options.connect = "arg/own@argdb";
    EXPECT_EQ(resolveConnection(options, lookup).connection,
              (ConnectArgument{"arg", "own", "argdb"}));
    options.connect = "arg@argdb";
    EXPECT_EQ(resolveConnection(options, lookup).connection,
              (ConnectArgument{"arg", "secret", "argdb"}));

    options.connect.reset();
    environment["VEXMOOR_CONNECT"] = "broken";
    EXPECT_FALSE(resolveConnection(options, lookup).connection);
}

} // namespace vexmoor::cli
