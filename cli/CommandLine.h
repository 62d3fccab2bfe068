#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::cli {

// What the command line of vexmoor-cli asks for. Cutting the command line is
// pure: it reads no environment and touches no database.

enum class CliCommand { Help, Version, Exec, Send, Tail, Purge, Install };

// USER[/PASSWORD]@CONNECT
struct ConnectArgument {
    std::string user;
    std::optional<std::string> password;
    std::string connect;
    friend bool operator==(const ConnectArgument&, const ConnectArgument&) = default;
};

struct CliOptions {
    CliCommand command = CliCommand::Help;
    std::optional<std::string> connect; // -c, as given

    // exec
    std::vector<std::string> statements;
    std::vector<std::string> integerNames; // -i NAME, as given

    // send, tail, purge
    std::string pipe = "vexmoor";
    bool trace = false;             // send --trace
    std::vector<std::string> texts; // send; "-" reads standard input

    // tail
    double intervalSeconds = 5;
    bool autoUnpack = false;
    bool lfFlag = true;
    bool once = false;
    bool crlf = false;                  // --crlf: the log window's line ends
    bool receiptTime = false;           // --receipt-time
    std::optional<std::string> journal; // --journal FILE
};

// Either options or, for a command line that cannot be used, the reason.
struct ParsedCommandLine {
    std::optional<CliOptions> options;
    std::string error;
};

// `arguments` excludes the program name.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Nothing when the text is not of the form USER[/PASSWORD]@CONNECT. A password
// in double quotes may hold '@' and '/'.
std::optional<ConnectArgument> parseConnectArgument(std::string_view text);

// The help text, ending with a line break.
std::string helpText();

} // namespace vexmoor::cli
