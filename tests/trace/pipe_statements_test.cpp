#include "trace/PipeStatements.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vexmoor::trace {

// The texts as the server receives them, written here in one piece each, the
// way they are published for people writing the sending side.
TEST(PipeStatements, FixedTextsAreExactlyThePublishedOnes)
{
    EXPECT_EQ(kLengthUnpackStatement, "begin dbms_pipe.unpack_message(:len); end;");
    EXPECT_EQ(kTextUnpackStatement, "begin dbms_pipe.unpack_message(:chr); end;");

    const std::string_view itemBlock =
        "BEGIN DECLARE \tsta\t\t\tINTEGER; \ttyp\t\t\tINTEGER; \tchr_data\tVARCHAR2(2000); "
        "\tnum_data\tNUMBER; \tdat_data\tDATE; \traw_data\tRAW(30000); \trow_data\tROWID; BEGIN "
        "\ttyp := dbms_pipe.next_item_type; \t:v_typ := typ; \tIF typ = 0 THEN \t\t:v_res := ''; "
        "\tELSE IF typ = 9 THEN \t\tdbms_pipe.unpack_message(chr_data); \t\t:v_res := chr_data; "
        "\tELSE IF typ = 6 THEN \t\tdbms_pipe.unpack_message(num_data); \t\t:v_res := "
        "TO_CHAR(num_data); \tELSE IF typ = 11 THEN \t\tdbms_pipe.unpack_message(row_data); "
        "\t\t:v_res := 'UNKNOWN'; \tELSE IF typ = 12 THEN \t\tdbms_pipe.unpack_message(dat_data); "
        "\t\t:v_res := TO_CHAR(dat_data); \tELSE IF typ = 23 THEN "
        "\t\tdbms_pipe.unpack_message(raw_data); \t\t:v_res := 'UNKNOWN'; \tEND IF; \tEND IF; "
        "\tEND IF; \tEND IF; \tEND IF; \tEND IF; END; END;";
    EXPECT_EQ(kItemBlock, itemBlock);
    EXPECT_EQ(kItemBlock.size(), 730u);
    EXPECT_EQ(std::count(kItemBlock.begin(), kItemBlock.end(), '\n'), 0);
}

TEST(PipeStatements, BindTable)
{
    EXPECT_STREQ(kStatusBind, ":sta");
    EXPECT_STREQ(kLengthBind, ":len");
    EXPECT_STREQ(kTextBind, ":chr");
    EXPECT_STREQ(kItemTypeBind, ":v_typ");
    EXPECT_STREQ(kItemValueBind, ":v_res");
    // The simple mode's text takes the longest a pipe message carries (32,767
    // bytes since Oracle 19c) and its NUL; the item block's value stays.
    EXPECT_EQ(kTextBufferSize, 32768);
    EXPECT_EQ(kItemValueBufferSize, 30000);
    EXPECT_EQ(kLongItemValueBufferSize, 32768);
}

TEST(PipeStatements, PipeNameGoesIntoTheStatementsAsOneLiteral)
{
    EXPECT_EQ(receiveStatement("vexmoor"),
              "begin :sta := dbms_pipe.receive_message('vexmoor', 0); end;");
    EXPECT_EQ(purgeStatement("vexmoor"), "begin dbms_pipe.purge('vexmoor'); end;");
    EXPECT_EQ(receiveStatement(""), "begin :sta := dbms_pipe.receive_message('', 0); end;");

    // Every quote is doubled, so the name cannot end the literal early.
    EXPECT_EQ(receiveStatement("o'brien"),
              "begin :sta := dbms_pipe.receive_message('o''brien', 0); end;");
    EXPECT_EQ(purgeStatement("x'); drop_all; --"),
              "begin dbms_pipe.purge('x''); drop_all; --'); end;");
    EXPECT_EQ(purgeStatement("''"), "begin dbms_pipe.purge(''''''); end;");
}

TEST(PipeStatements, LinePrefixes)
{
    EXPECT_EQ(itemLinePrefix(6), "NUMBER:\t");
    EXPECT_EQ(itemLinePrefix(9), "VARCHAR2:\t");
    EXPECT_EQ(itemLinePrefix(11), "ROWID:\t");
    EXPECT_EQ(itemLinePrefix(12), "DATE:\t");
    EXPECT_EQ(itemLinePrefix(23), "RAW:\t");
    for (int code : {-1, 0, 1, 7, 8, 10, 13, 22, 24, 96})
        EXPECT_EQ(itemLinePrefix(code), "") << code;
}

} // namespace vexmoor::trace
