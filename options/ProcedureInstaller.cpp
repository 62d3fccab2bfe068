#include "ProcedureInstaller.h"

#include "db/OciCursor.h"

#include <string>

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

std::vector<RefusedStatement> InstallProcedures(OciSession& session)
{
    std::vector<RefusedStatement> refused;
    OciCursor cursor(session);
    for (std::string_view statement : kInstallStatements) {
        cursor.SetStatement(std::string(statement));
        // A refusal (no privilege, a synonym that exists) must not stop the
        // statements after it, and is not shown here.
        if (!cursor.Execute(false))
            refused.push_back({statement, cursor.ReturnCode(), cursor.ErrorText()});
    }
    return refused;
}
