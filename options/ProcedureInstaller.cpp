#include "ProcedureInstaller.h"

#include "trace/OciPipeChannel.h"

#include <string>

namespace vexmoor::options {

const std::string_view kInstallNote =
    "NOTE: You must be connect as a user that is allowed to execute the pipe package!.\n"
    "Use 'grant execute on dbms_pipe to <user>' when logged in as administrator to do this.";

const std::array<std::string_view, 4> kInstallStatements = {
    "CREATE OR REPLACE PROCEDURE SendDebugMessage (theMessage IN VARCHAR2, thePipe IN VARCHAR2 "
    "DEFAULT 'vexmoor') AS\n"
    "\tstatus\tNUMBER;\n"
    "\tBEGIN\n"
    "\t\tdbms_pipe.pack_message(LENGTH(theMessage));\n"
    "\t\tdbms_pipe.pack_message(theMessage);\n"
    "\t\tstatus := dbms_pipe.send_message(thePipe);\n"
    "\t\tIF status != 0 THEN\n"
    "\t\t\traise_application_error(-20099, 'Debug error');\n"
    "\t\tEND IF;\n"
    "\tEND SendDebugMessage;\n",

    "CREATE OR REPLACE PROCEDURE SendTraceMessage (theMessage IN VARCHAR2, thePipe IN VARCHAR2 "
    "DEFAULT 'vexmoor') AS\n"
    "\taMessage\tVARCHAR2(2000);\n"
    "\tBEGIN\n"
    "\t\taMessage := TO_CHAR(SYSDATE) || ': ' || theMessage;\n"
    "\t\tSendDebugMessage(aMessage, thePipe);\n"
    "\tEND SendTraceMessage;\n",

    "CREATE PUBLIC SYNONYM SendDebugMessage FOR SendDebugMessage",

    "CREATE PUBLIC SYNONYM SendTraceMessage FOR SendTraceMessage",
};

// SendDebugMessage packs what the Oracle one packs: the length, then the
// text. orafce packs nothing for NULL, so a NULL message arrives empty.
// SendTraceMessage puts the server's local time, to the second, before the
// text; a NULL text adds nothing to it, as on Oracle.
const std::array<std::string_view, 5> kPostgresInstallStatements = {
    "CREATE EXTENSION IF NOT EXISTS orafce",

    "CREATE OR REPLACE PROCEDURE SendDebugMessage (theMessage IN text, thePipe IN text "
    "DEFAULT 'vexmoor')\n"
    "LANGUAGE plpgsql AS $$\n"
    "DECLARE\n"
    "\tstatus\tinteger;\n"
    "BEGIN\n"
    "\tPERFORM dbms_pipe.pack_message(length(theMessage));\n"
    "\tPERFORM dbms_pipe.pack_message(theMessage);\n"
    "\tstatus := dbms_pipe.send_message(thePipe);\n"
    "\tIF status != 0 THEN\n"
    "\t\tRAISE EXCEPTION 'Debug error';\n"
    "\tEND IF;\n"
    "END;\n"
    "$$\n",

    "CREATE OR REPLACE PROCEDURE SendTraceMessage (theMessage IN text, thePipe IN text "
    "DEFAULT 'vexmoor')\n"
    "LANGUAGE plpgsql AS $$\n"
    "DECLARE\n"
    "\taMessage\ttext;\n"
    "BEGIN\n"
    "\taMessage := to_char(clock_timestamp(), 'YYYY-MM-DD HH24:MI:SS') || ': ' || "
    "coalesce(theMessage, '');\n"
    "\tCALL SendDebugMessage(aMessage, thePipe);\n"
    "END;\n"
    "$$\n",

    "GRANT EXECUTE ON PROCEDURE SendDebugMessage(text, text) TO PUBLIC",

    "GRANT EXECUTE ON PROCEDURE SendTraceMessage(text, text) TO PUBLIC",
};

namespace {

// A refusal (no privilege, a synonym that exists) must not stop the
// statements after it, and is not shown here.
template <std::size_t N>
std::vector<RefusedStatement>
runInstallStatements(trace::PipeChannel& channel, const std::array<std::string_view, N>& statements)
{
    std::vector<RefusedStatement> refused;
    for (auto& refusal : channel.runEach(statements))
        refused.push_back({statements[refusal.index], refusal.code, std::move(refusal.error)});
    return refused;
}

} // namespace

std::vector<RefusedStatement> installProcedures(db::OciSession& session)
{
    trace::OciPipeChannel channel(session);
    return installProcedures(channel);
}

std::vector<RefusedStatement> installProcedures(trace::PipeChannel& channel)
{
    if (channel.dialect() == trace::PipeDialect::PostgreSql)
        return runInstallStatements(channel, kPostgresInstallStatements);
    return runInstallStatements(channel, kInstallStatements);
}
namespace {

// "CREATE OR REPLACE PROCEDURE SendDebugMessage": the statement's first words
// up to its object's name.
std::string_view headOf(std::string_view statement)
{
    for (std::string_view kind : {"PROCEDURE ", "SYNONYM "}) {
        if (const auto at = statement.find(kind); at != std::string_view::npos)
            return statement.substr(0, statement.find_first_of(" (\n", at + kind.size()));
    }
    // A statement without an object of its own (CREATE EXTENSION) is short.
    return statement.substr(0, statement.find('\n'));
}

} // namespace

std::string describeInstallOutcome(const std::vector<RefusedStatement>& refused,
                                   vexmoor::trace::PipeDialect dialect)
{
    const bool postgres = dialect == vexmoor::trace::PipeDialect::PostgreSql;
    if (refused.empty())
        return postgres ? "Generate Procedures created SendDebugMessage and SendTraceMessage, "
                          "callable by every role."
                        : "Generate Procedures created SendDebugMessage, SendTraceMessage and "
                          "their public synonyms.";
    const std::size_t total =
        postgres ? kPostgresInstallStatements.size() : kInstallStatements.size();
    std::string text = "Generate Procedures: the server refused " + std::to_string(refused.size())
                       + " of " + std::to_string(total) + " statements:";
    for (std::size_t i = 0; i < refused.size(); ++i) {
        text += i == 0 ? " " : "; ";
        text += std::string(headOf(refused[i].statement)) + " (" + refused[i].error + ")";
    }
    return text;
}

} // namespace vexmoor::options
