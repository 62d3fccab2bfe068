#include "PipeStatements.h"

namespace vexmoor::trace {

namespace {

// A text inside an SQL string literal: every quote doubled, so that the name
// stays one literal whatever it contains.
std::string quoteLiteralBody(std::string_view text)
{
    std::string quoted;
    quoted.reserve(text.size() + 2);
    for (char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted;
}

} // namespace

std::string receiveStatement(std::string_view pipeName)
{
    return "begin :sta := dbms_pipe.receive_message('" + quoteLiteralBody(pipeName) + "', 0); end;";
}

std::string purgeStatement(std::string_view pipeName)
{
    return "begin dbms_pipe.purge('" + quoteLiteralBody(pipeName) + "'); end;";
}

const std::string_view kLengthUnpackStatement = "begin dbms_pipe.unpack_message(:len); end;";
const std::string_view kTextUnpackStatement = "begin dbms_pipe.unpack_message(:chr); end;";

// One line on the server side; split here only to be readable. The TABs and
// the single blanks between the pieces are part of the text.
const std::string_view kItemBlock = "BEGIN DECLARE "
                                    "\tsta\t\t\tINTEGER; "
                                    "\ttyp\t\t\tINTEGER; "
                                    "\tchr_data\tVARCHAR2(2000); "
                                    "\tnum_data\tNUMBER; "
                                    "\tdat_data\tDATE; "
                                    "\traw_data\tRAW(30000); "
                                    "\trow_data\tROWID; "
                                    "BEGIN "
                                    "\ttyp := dbms_pipe.next_item_type; "
                                    "\t:v_typ := typ; "
                                    "\tIF typ = 0 THEN "
                                    "\t\t:v_res := ''; "
                                    "\tELSE IF typ = 9 THEN "
                                    "\t\tdbms_pipe.unpack_message(chr_data); "
                                    "\t\t:v_res := chr_data; "
                                    "\tELSE IF typ = 6 THEN "
                                    "\t\tdbms_pipe.unpack_message(num_data); "
                                    "\t\t:v_res := TO_CHAR(num_data); "
                                    "\tELSE IF typ = 11 THEN "
                                    "\t\tdbms_pipe.unpack_message(row_data); "
                                    "\t\t:v_res := 'UNKNOWN'; "
                                    "\tELSE IF typ = 12 THEN "
                                    "\t\tdbms_pipe.unpack_message(dat_data); "
                                    "\t\t:v_res := TO_CHAR(dat_data); "
                                    "\tELSE IF typ = 23 THEN "
                                    "\t\tdbms_pipe.unpack_message(raw_data); "
                                    "\t\t:v_res := 'UNKNOWN'; "
                                    "\tEND IF; \tEND IF; \tEND IF; \tEND IF; \tEND IF; \tEND IF; "
                                    "END; END;";

// RAW and ROWID items read as 'UNKNOWN', as in kItemBlock.
const std::string_view kLongItemBlock = "DECLARE "
                                        "typ INTEGER; "
                                        "chr_data VARCHAR2(32767); "
                                        "num_data NUMBER; "
                                        "dat_data DATE; "
                                        "raw_data RAW(32767); "
                                        "row_data ROWID; "
                                        "BEGIN "
                                        "typ := dbms_pipe.next_item_type; "
                                        ":v_typ := typ; "
                                        ":v_res := ''; "
                                        "IF typ = 9 THEN "
                                        "dbms_pipe.unpack_message(chr_data); "
                                        ":v_res := chr_data; "
                                        "ELSIF typ = 6 THEN "
                                        "dbms_pipe.unpack_message(num_data); "
                                        ":v_res := TO_CHAR(num_data); "
                                        "ELSIF typ = 11 THEN "
                                        "dbms_pipe.unpack_message_rowid(row_data); "
                                        ":v_res := 'UNKNOWN'; "
                                        "ELSIF typ = 12 THEN "
                                        "dbms_pipe.unpack_message(dat_data); "
                                        ":v_res := TO_CHAR(dat_data); "
                                        "ELSIF typ = 23 THEN "
                                        "dbms_pipe.unpack_message_raw(raw_data); "
                                        ":v_res := 'UNKNOWN'; "
                                        "END IF; "
                                        "END;";

std::string_view itemLinePrefix(int typeCode)
{
    switch (typeCode) {
    case 6:
        return "NUMBER:\t";
    case 9:
        return "VARCHAR2:\t";
    case 11:
        return "ROWID:\t";
    case 12:
        return "DATE:\t";
    case 23:
        return "RAW:\t";
    default:
        return {};
    }
}

} // namespace vexmoor::trace
