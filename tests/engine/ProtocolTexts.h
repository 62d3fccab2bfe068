#pragma once

// The statement texts that the trace console sends, character for
// character: the receive, unpack and item statements, the purge, and the
// four statements of the procedure installer.

#include <string>
#include <string_view>

namespace vexmoor::engine::protocol {

inline std::string receiveStatement(std::string_view pipe)
{
    return "begin :sta := dbms_pipe.receive_message('" + std::string(pipe) + "', 0); end;";
}

inline std::string purgeStatement(std::string_view pipe)
{
    return "begin dbms_pipe.purge('" + std::string(pipe) + "'); end;";
}

inline constexpr std::string_view kLengthUnpack = "begin dbms_pipe.unpack_message(:len); end;";
inline constexpr std::string_view kTextUnpack = "begin dbms_pipe.unpack_message(:chr); end;";

inline constexpr std::string_view kItemBlock =
    "BEGIN DECLARE \tsta\t\t\tINTEGER; \ttyp\t\t\tINTEGER; \tchr_data\tVARCHAR2(2000); "
    "\tnum_data\tNUMBER; \tdat_data\tDATE; \traw_data\tRAW(30000); \trow_data\tROWID; BEGIN \ttyp "
    ":= dbms_pipe.next_item_type; \t:v_typ := typ; \tIF typ = 0 THEN \t\t:v_res := ''; \tELSE IF "
    "typ = 9 THEN \t\tdbms_pipe.unpack_message(chr_data); \t\t:v_res := chr_data; \tELSE IF typ = "
    "6 THEN \t\tdbms_pipe.unpack_message(num_data); \t\t:v_res := TO_CHAR(num_data); \tELSE IF typ "
    "= 11 THEN \t\tdbms_pipe.unpack_message(row_data); \t\t:v_res := 'UNKNOWN'; \tELSE IF typ = 12 "
    "THEN \t\tdbms_pipe.unpack_message(dat_data); \t\t:v_res := TO_CHAR(dat_data); \tELSE IF typ = "
    "23 THEN \t\tdbms_pipe.unpack_message(raw_data); \t\t:v_res := 'UNKNOWN'; \tEND IF; \tEND IF; "
    "\tEND IF; \tEND IF; \tEND IF; \tEND IF; END; END;";

inline constexpr std::string_view kCreateSendDebugMessage =
    "CREATE OR REPLACE PROCEDURE SendDebugMessage (theMessage IN VARCHAR2, thePipe IN VARCHAR2 "
    "DEFAULT 'vexmoor') "
    "AS\n\tstatus\tNUMBER;\n\tBEGIN\n\t\tdbms_pipe.pack_message(LENGTH(theMessage));\n\t\tdbms_"
    "pipe.pack_message(theMessage);\n\t\tstatus := dbms_pipe.send_message(thePipe);\n\t\tIF status "
    "!= 0 THEN\n\t\t\traise_application_error(-20099, 'Debug error');\n\t\tEND IF;\n\tEND "
    "SendDebugMessage;\n";

inline constexpr std::string_view kCreateSendTraceMessage =
    "CREATE OR REPLACE PROCEDURE SendTraceMessage (theMessage IN VARCHAR2, thePipe IN VARCHAR2 "
    "DEFAULT 'vexmoor') AS\n\taMessage\tVARCHAR2(2000);\n\tBEGIN\n\t\taMessage := TO_CHAR(SYSDATE) "
    "|| ': ' || theMessage;\n\t\tSendDebugMessage(aMessage, thePipe);\n\tEND SendTraceMessage;\n";

inline constexpr std::string_view kSendDebugMessageSynonym =
    "CREATE PUBLIC SYNONYM SendDebugMessage FOR SendDebugMessage";
inline constexpr std::string_view kSendTraceMessageSynonym =
    "CREATE PUBLIC SYNONYM SendTraceMessage FOR SendTraceMessage";

inline constexpr std::string_view kInstallStatements[] = {
    kCreateSendDebugMessage, kCreateSendTraceMessage, kSendDebugMessageSynonym,
    kSendTraceMessageSynonym};

} // namespace vexmoor::engine::protocol
