#include "CommandLine.h"

#include <charconv>
#include <cmath>
#include <span>
#include <stdexcept>

namespace vexmoor::cli {

namespace {

// A command line that cannot be used; caught once, in parseCommandLine.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::optional<CliCommand> commandNamed(std::string_view name)
{
    if (name == "exec")
        return CliCommand::Exec;
    if (name == "send")
        return CliCommand::Send;
    if (name == "tail")
        return CliCommand::Tail;
    if (name == "purge")
        return CliCommand::Purge;
    if (name == "install")
        return CliCommand::Install;
    return std::nullopt;
}

// Walks the arguments; knows "--name value", "--name=value" and "--".
class ArgumentCursor {
public:
    explicit ArgumentCursor(std::span<const std::string> arguments) : arguments_(arguments) {}

    bool atEnd() const { return next_ == arguments_.size(); }
    const std::string& peek() const { return arguments_[next_]; }
    const std::string& take() { return arguments_[next_++]; }

    // The value of an option: glued on after '=', or the next argument.
    std::string takeValue(std::string_view option, std::optional<std::string> glued)
    {
        if (glued)
            return *glued;
        if (atEnd())
            throw UsageError("option " + std::string(option) + " needs a value");
        return take();
    }

private:
    std::span<const std::string> arguments_;
    std::size_t next_ = 0;
};

struct OptionWord {
    std::string name;
    std::optional<std::string> glued;
};

OptionWord splitOption(const std::string& argument)
{
    if (argument.starts_with("--")) {
        const auto equals = argument.find('=');
        if (equals != std::string::npos)
            return {argument.substr(0, equals), argument.substr(equals + 1)};
    }
    return {argument, std::nullopt};
}

bool isOption(const std::string& argument)
{
    // "-" alone is an argument: send reads standard input for it. A word with
    // blanks in its name ("-- comment\nbegin ...") is a statement or a text.
    const std::string_view name = std::string_view(argument).substr(0, argument.find('='));
    return argument.size() > 1 && argument[0] == '-'
           && name.find_first_of(" \t\r\n") == std::string_view::npos;
}

double parseInterval(const std::string& text)
{
    double seconds = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seconds);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(seconds)
        || seconds < 0)
        throw UsageError("--interval needs a number of seconds, not '" + text + "'");
    return seconds;
}

void rejectGlued(const OptionWord& word)
{
    if (word.glued)
        throw UsageError("option " + word.name + " takes no value");
}

// Options of one command, then its arguments; "--" ends the options.
void parseCommandArguments(ArgumentCursor& cursor, CliOptions& options,
                           std::vector<std::string>& positional)
{
    bool optionsEnded = false;
    while (!cursor.atEnd()) {
        const std::string& argument = cursor.take();
        if (optionsEnded || !isOption(argument)) {
            positional.push_back(argument);
            continue;
        }
        const OptionWord word = splitOption(argument);
        const CliCommand command = options.command;
        if (word.name == "--") {
            optionsEnded = true;
        } else if (word.name == "--help" || word.name == "-h") {
            options.command = CliCommand::Help;
            return;
        } else if (command == CliCommand::Exec && (word.name == "-i" || word.name == "--integer")) {
            options.integerNames.push_back(cursor.takeValue(word.name, word.glued));
        } else if (command != CliCommand::Exec && command != CliCommand::Install
                   && word.name == "--pipe") {
            options.pipe = cursor.takeValue(word.name, word.glued);
            // Oracle refuses an empty pipe name.
            if (options.pipe.empty())
                throw UsageError("--pipe needs a pipe name");
        } else if (command == CliCommand::Send && word.name == "--trace") {
            rejectGlued(word);
            options.trace = true;
        } else if (command == CliCommand::Tail && word.name == "--interval") {
            options.intervalSeconds = parseInterval(cursor.takeValue(word.name, word.glued));
        } else if (command == CliCommand::Tail && word.name == "--auto-unpack") {
            rejectGlued(word);
            options.autoUnpack = true;
        } else if (command == CliCommand::Tail && word.name == "--no-lf") {
            rejectGlued(word);
            options.lfFlag = false;
        } else if (command == CliCommand::Tail && word.name == "--once") {
            rejectGlued(word);
            options.once = true;
        } else if (command == CliCommand::Tail && word.name == "--crlf") {
            rejectGlued(word);
            options.crlf = true;
        } else if (command == CliCommand::Tail && word.name == "--receipt-time") {
            rejectGlued(word);
            options.receiptTime = true;
        } else if (command == CliCommand::Tail && word.name == "--journal") {
            options.journal = cursor.takeValue(word.name, word.glued);
            if (options.journal->empty())
                throw UsageError("--journal needs a file name");
        } else {
            throw UsageError("unknown option " + word.name);
        }
    }
}

void checkPositional(CliOptions& options, std::vector<std::string> positional)
{
    switch (options.command) {
    case CliCommand::Exec:
        if (positional.empty())
            throw UsageError("exec needs at least one statement");
        options.statements = std::move(positional);
        return;
    case CliCommand::Send:
        if (positional.empty())
            throw UsageError("send needs at least one text (or - for standard input)");
        options.texts = std::move(positional);
        return;
    case CliCommand::Tail:
    case CliCommand::Purge:
    case CliCommand::Install:
        if (!positional.empty())
            throw UsageError("unexpected argument '" + positional.front() + "'");
        return;
    case CliCommand::Help:
    case CliCommand::Version:
        return;
    }
}

CliOptions parse(const std::vector<std::string>& arguments)
{
    CliOptions options;
    ArgumentCursor cursor(arguments);
    // Options before the command.
    while (!cursor.atEnd() && isOption(cursor.peek())) {
        const OptionWord word = splitOption(cursor.take());
        if (word.name == "--help" || word.name == "-h") {
            options.command = CliCommand::Help;
            return options;
        }
        if (word.name == "--version") {
            options.command = CliCommand::Version;
            return options;
        }
        if (word.name == "-c" || word.name == "--connect")
            options.connect = cursor.takeValue(word.name, word.glued);
        else
            throw UsageError("unknown option " + word.name);
    }
    if (cursor.atEnd())
        throw UsageError("no command given");
    const std::string& name = cursor.take();
    const std::optional<CliCommand> command = commandNamed(name);
    if (!command)
        throw UsageError("unknown command '" + name + "'");
    options.command = *command;

    std::vector<std::string> positional;
    parseCommandArguments(cursor, options, positional);
    if (options.command == CliCommand::Help)
        return options;
    checkPositional(options, std::move(positional));
    if (options.connect && !parseConnectArgument(*options.connect))
        throw UsageError("-c needs USER[/PASSWORD]@CONNECT, not '" + *options.connect + "'");
    return options;
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    try {
        return {parse(arguments), {}};
    } catch (const UsageError& error) {
        return {std::nullopt, error.what()};
    }
}

std::optional<ConnectArgument> parseConnectArgument(std::string_view text)
{
    const std::size_t userEnd = text.find_first_of("/@");
    if (userEnd == 0 || userEnd == std::string_view::npos)
        return std::nullopt;
    ConnectArgument result;
    result.user = std::string(text.substr(0, userEnd));
    std::string_view rest = text.substr(userEnd);
    if (rest.front() == '/') {
        rest.remove_prefix(1);
        std::size_t passwordEnd = 0;
        if (rest.starts_with('"')) {
            const std::size_t close = rest.find('"', 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            result.password = std::string(rest.substr(1, close - 1));
            passwordEnd = close + 1;
        } else {
            passwordEnd = rest.find('@');
            if (passwordEnd == std::string_view::npos)
                return std::nullopt;
            result.password = std::string(rest.substr(0, passwordEnd));
        }
        rest.remove_prefix(passwordEnd);
    }
    if (!rest.starts_with('@') || rest.size() == 1)
        return std::nullopt;
    result.connect = std::string(rest.substr(1));
    return result;
}

std::string helpText()
{
    return "Usage: vexmoor-cli [-c USER[/PASSWORD]@CONNECT] COMMAND [OPTIONS] [ARGS]\n"
           "\n"
           "Commands:\n"
           "  exec [-i NAME]... STATEMENT...\n"
           "                     run statements on one cursor; after each, print every\n"
           "                     placeholder as :NAME=VALUE (bound as text, or as an\n"
           "                     integer when named with -i or --integer)\n"
           "  send [--trace] [--pipe NAME] TEXT...\n"
           "                     call SendDebugMessage (SendTraceMessage with --trace)\n"
           "                     once per TEXT; - reads one message a line from stdin\n"
           "  tail [--pipe NAME] [--interval S] [--auto-unpack] [--no-lf] [--once]\n"
           "       [--crlf] [--receipt-time] [--journal FILE]\n"
           "                     trace the pipe to standard output until Ctrl+C, each\n"
           "                     line ending with LF (CR LF with --crlf, as the log\n"
           "                     window; none with --no-lf), with its receipt time\n"
           "                     HH:MM:SS.mmm before it with --receipt-time, and\n"
           "                     appended first to FILE after its ISO 8601 receipt\n"
           "                     time with --journal\n"
           "  purge [--pipe NAME]\n"
           "                     throw away every message waiting on the pipe\n"
           "  install            create SendDebugMessage, SendTraceMessage and their\n"
           "                     public synonyms\n"
           "\n"
           "The pipe is 'vexmoor' unless --pipe names another. Without -c the database\n"
           "comes from $VEXMOOR_CONNECT; a missing password from $VEXMOOR_PASSWORD, else\n"
           "it is asked for. CONNECT 'embedded' or 'embedded:FILE' is the embedded engine.\n"
           "\n"
           "Exit status: 0 done, 1 logon failed, 2 usage, 3 database error (install: a\n"
           "statement refused; send: a line not sent; tail: the journal not written),\n"
           "130/143 after SIGINT/SIGTERM.\n"
           "\n"
           "Options:\n"
           "  -c, --connect USER[/PASSWORD]@CONNECT\n"
           "                     the database to log on to; before the command\n"
           "  -h, --help         show this help\n"
           "  --version          show the version\n";
}

} // namespace vexmoor::cli
