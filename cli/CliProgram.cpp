#include "CliProgram.h"

#include "CommandLine.h"
#include "ConnectionSource.h"
#include "ExecCommand.h"
#include "PasswordPrompt.h"
#include "SendCommand.h"
#include "StopSignal.h"
#include "TailCommand.h"
#include "base/Version.h"

#include "base/TraceSettings.h"
#include "db/ErrorReport.h"
#include "db/OciSession.h"
#include "db/PgSession.h"
#include "options/ProcedureInstaller.h"
#include "trace/OciPipeChannel.h"
#include "trace/PgPipeChannel.h"
#include "trace/PipePurge.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace vexmoor::cli {

namespace {

void writeError(const std::string& text)
{
    std::fprintf(stderr, "vexmoor-cli: %s\n", text.c_str());
}

int usageFailure(const std::string& reason)
{
    writeError(reason);
    std::fputs("Try 'vexmoor-cli --help' for more information.\n", stderr);
    return kExitUsage;
}

// A failing cursor call ends the process here, after what was written so far
// has gone out, with the report on standard error. A statement broken by a
// stop signal (ORA-01013, or whatever its interrupted wait led to) ends it
// with the signal's status.
void installFatalReport()
{
    db::setFatalErrorHandler([](const std::string& report) {
        std::fflush(stdout);
        std::fwrite(report.data(), 1, report.size(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
        std::_Exit(stopRequested() ? stopExitStatus() : kExitDatabaseError);
    });
}

// The first line of a statement names it well enough in a report.
std::string_view firstLine(std::string_view statement)
{
    return statement.substr(0, statement.find('\n'));
}

// A synonym that exists already is what installing again meets; the
// procedures themselves were replaced.
bool alreadyInPlace(const options::RefusedStatement& refused)
{
    constexpr int kNameInUse = 955;
    return refused.code == kNameInUse && refused.statement.starts_with("CREATE PUBLIC SYNONYM");
}

// Installs and names on standard error each statement the server refused;
// false when anything but an existing synonym was refused.
bool runInstall(trace::PipeChannel& channel)
{
    std::fwrite(options::kInstallNote.data(), 1, options::kInstallNote.size(), stderr);
    std::fputc('\n', stderr);
    bool installed = true;
    for (const options::RefusedStatement& refused : options::installProcedures(channel)) {
        const std::string_view name = firstLine(refused.statement);
        std::fprintf(stderr, "vexmoor-cli: the server refused \"%.*s\": %s\n",
                     static_cast<int>(name.size()), name.data(), refused.error.c_str());
        installed = installed && alreadyInPlace(refused);
    }
    return installed;
}

int flushOutput()
{
    if (std::fflush(stdout) != 0) {
        writeError("cannot write to standard output");
        return kExitDatabaseError;
    }
    return kExitDone;
}

base::TraceSettings tailSettings(const CliOptions& options)
{
    base::TraceSettings settings;
    settings.m_strPipeName = options.pipe;
    settings.m_bAutoUnpack = options.autoUnpack;
    settings.m_bLFFlag = options.lfFlag;
    return settings;
}

// One command on a logged-on session: tail, purge and install through its
// pipe channel, send and exec through the session itself. Exec never reaches
// a PostgreSQL session: it is refused before the logon.
template <class Session, class Channel>
int runCommand(Session& session, const CliOptions& options)
{
    Channel channel(session);
    bool done = true;
    switch (options.command) {
    case CliCommand::Exec:
        if constexpr (std::is_same_v<Session, db::OciSession>)
            runExec(session, options.statements, options.integerNames, stdout, stopRequested);
        break;
    case CliCommand::Send:
        done = runSend(session, options.texts, options.pipe, options.trace, stdin, stopRequested);
        break;
    case CliCommand::Tail:
        done = runTail(channel, tailSettings(options), options.intervalSeconds, options.once,
                       {options.crlf, options.receiptTime, options.journal}, stdout, stopRequested);
        break;
    case CliCommand::Purge:
        trace::purgePipe(channel, options.pipe);
        break;
    case CliCommand::Install:
        done = runInstall(channel);
        break;
    case CliCommand::Help:
    case CliCommand::Version:
        break;
    }
    return done ? flushOutput() : kExitDatabaseError;
}

int runOnPostgres(const ConnectArgument& connection, const CliOptions& options)
{
    db::PgSession session;
    if (!session.logOn(connection.user, *connection.password, connection.connect)) {
        std::fprintf(stderr, "%s\n", session.errorText().c_str());
        return kExitLogonFailed;
    }
    if (stopRequested())
        return stopExitStatus();
    const int status = runCommand<db::PgSession, trace::PgPipeChannel>(session, options);
    return stopRequested() ? stopExitStatus() : status;
}

} // namespace

int runCliProgram(const std::vector<std::string>& arguments)
{
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.options)
        return usageFailure(parsed.error);
    const CliOptions& options = *parsed.options;
    if (options.command == CliCommand::Help) {
        std::fputs(helpText().c_str(), stdout);
        return kExitDone;
    }
    if (options.command == CliCommand::Version) {
        std::printf("vexmoor-cli %s\n", base::kVersion);
        return kExitDone;
    }

    ResolvedConnection resolved = resolveConnection(options, processEnvironment);
    if (!resolved.connection)
        return usageFailure(resolved.error);
    ConnectArgument& connection = *resolved.connection;
    const bool postgres = db::isPostgresConnectString(connection.connect);
    if (postgres && options.command == CliCommand::Exec)
        return usageFailure("exec runs PL/SQL blocks and is not available on PostgreSQL; "
                            "use psql for SQL there");
    installStopSignals();
    if (!connection.password) {
        connection.password =
            promptPassword("Password for " + connection.user + "@" + connection.connect + ": ");
        if (stopRequested())
            return stopExitStatus();
        if (!connection.password) {
            writeError("no password given (and no terminal to ask for one)");
            return kExitLogonFailed;
        }
    }

    installFatalReport();
    if (postgres)
        return runOnPostgres(connection, options);
    db::OciSession session;
    if (!session.LogOn(connection.user, *connection.password, connection.connect)) {
        const std::string text = session.ErrorText();
        std::fprintf(stderr, "%s\n", text.c_str());
        return kExitLogonFailed;
    }
    if (stopRequested())
        return stopExitStatus();
    int status = kExitDone;
    {
        // A stop breaks what the session runs; the commands see the flag
        // between their steps.
        const StopAction breakStatement([&session] { session.Break(); });
        status = runCommand<db::OciSession, trace::OciPipeChannel>(session, options);
    }
    return stopRequested() ? stopExitStatus() : status;
}

} // namespace vexmoor::cli
