#include "ProtocolTexts.h"

#include "engine/Parser.h"

#include <gtest/gtest.h>

#include <string>

namespace vexmoor::engine {

namespace {

OraError parseError(std::string_view text, bool procedure = false)
{
    try {
        Parser parser(text);
        if (procedure)
            parser.parseProcedure();
        else
            parser.parseAnonymousBlock();
    } catch (const OraError& error) {
        return error;
    }
    ADD_FAILURE() << "parsed: " << text;
    return OraError(0, "");
}

} // namespace

TEST(Parser, ProtocolStatementsParse)
{
    for (const std::string_view text :
         {std::string_view(protocol::kLengthUnpack), protocol::kTextUnpack, protocol::kItemBlock}) {
        EXPECT_NO_THROW(Parser(text).parseAnonymousBlock()) << text;
    }
    const std::string receive = protocol::receiveStatement("vexmoor");
    auto unit = Parser(receive).parseAnonymousBlock();
    ASSERT_EQ(unit->placeholders.size(), 1U);
    EXPECT_EQ(unit->placeholders[0], "STA");
    EXPECT_NO_THROW(Parser(protocol::purgeStatement("vexmoor")).parseAnonymousBlock());
}

TEST(Parser, ItemBlockNestsElseIfAsIfInsideElse)
{
    auto unit = Parser(protocol::kItemBlock).parseAnonymousBlock();
    ASSERT_EQ(unit->block.body.size(), 1U);
    const Block& inner = *unit->block.body[0].block;
    EXPECT_EQ(inner.declarations.size(), 7U);
    EXPECT_EQ(inner.declarations[2].type.type, ValueType::Varchar2);
    EXPECT_EQ(inner.declarations[2].type.length, 2000);
    EXPECT_EQ(inner.declarations[5].type.length, 30000);
    // typ :=, :v_typ :=, then the outer IF with five ELSE IF levels below it
    ASSERT_EQ(inner.body.size(), 3U);
    const Stmt* level = &inner.body[2];
    int depth = 0;
    while (level->kind == StmtKind::If && level->hasElse) {
        ++depth;
        ASSERT_EQ(level->body.size(), 1U);
        level = &level->body[0];
    }
    EXPECT_EQ(depth, 5);
    EXPECT_EQ(unit->placeholders, (std::vector<std::string>{"V_TYP", "V_RES"}));
}

TEST(Parser, ProcedureTextsOfTheInstallerParse)
{
    for (const std::string_view create :
         {protocol::kCreateSendDebugMessage, protocol::kCreateSendTraceMessage}) {
        const std::string_view source = create.substr(create.find("PROCEDURE"));
        auto unit = Parser(source).parseProcedure();
        EXPECT_TRUE(unit->isProcedure);
        ASSERT_EQ(unit->parameters.size(), 2U);
        EXPECT_EQ(unit->parameters[1].name, "THEPIPE");
        EXPECT_NE(unit->parameters[1].defaultValue, nullptr);
    }
}

TEST(Parser, QuoteInPipeNameIsPls00103AtTheFollowingWord)
{
    const std::string text = protocol::receiveStatement("it's");
    const OraError error = parseError(text);
    EXPECT_EQ(error.code(), 6550);
    const std::size_t offset = text.find("s', 0)");
    EXPECT_EQ(error.parseOffset(), offset);
    EXPECT_EQ(error.message().substr(0, error.message().find('\n')),
              "ORA-06550: line 1, column " + std::to_string(offset + 1) + ":");
    EXPECT_NE(error.message().find(
                  "PLS-00103: Encountered the symbol \"S\" when expecting one of the following:"),
              std::string::npos)
        << error.message();
}

TEST(Parser, Pls00103NamesTheSymbolAndPosition)
{
    OraError error = parseError("begin\n  x := 1\nend;");
    EXPECT_EQ(error.message().substr(0, error.message().find("\n\n")),
              "ORA-06550: line 3, column 1:\nPLS-00103: Encountered the symbol \"END\" when "
              "expecting one of the following:");
    EXPECT_EQ(error.parseOffset(), 15U);

    error = parseError("begin null; end");
    EXPECT_NE(error.message().find("\"end-of-file\""), std::string::npos);

    error = parseError("begin x := 'abc; end;");
    EXPECT_NE(error.message().find("\"end-of-file\""), std::string::npos);
    EXPECT_EQ(error.parseOffset(), 11U);

    error = parseError("begin end;");
    EXPECT_NE(error.message().find("\"END\""), std::string::npos);
    error = parseError("begin null; end; garbage");
    EXPECT_NE(error.message().find("\"GARBAGE\""), std::string::npos);
}

TEST(Parser, ConstraintAndDeclarationErrors)
{
    EXPECT_NE(parseError("declare s varchar2; begin null; end;").message().find("PLS-00215"),
              std::string::npos);
    EXPECT_NE(parseError("declare s varchar2(0); begin null; end;").message().find("PLS-00215"),
              std::string::npos);
    EXPECT_NE(parseError("declare c constant number; begin null; end;").message().find("PLS-00322"),
              std::string::npos);
    EXPECT_NE(parseError("declare a number; a date; begin null; end;").message().find("PLS-00371"),
              std::string::npos);
    EXPECT_NE(parseError("declare a widget; begin null; end;")
                  .message()
                  .find("PLS-00201: identifier 'WIDGET'"),
              std::string::npos);
    EXPECT_NE(parseError("procedure p(a varchar2(10)) is begin null; end;", true)
                  .message()
                  .find("PLS-00103"),
              std::string::npos);
    EXPECT_NE(parseError("procedure p is begin null; end q;", true).message().find("PLS-00113"),
              std::string::npos);
    EXPECT_NE(parseError("procedure p is begin :x := 1; end;", true).message().find("PLS-00049"),
              std::string::npos);
}

TEST(Parser, DeepNestingIsAnErrorNotACrash)
{
    const std::string parens =
        "begin :x := " + std::string(100000, '(') + "1" + std::string(100000, ')') + "; end;";
    EXPECT_EQ(parseError(parens).code(), 6550);

    std::string blocks;
    for (int i = 0; i < 100000; ++i)
        blocks += "begin ";
    EXPECT_NE(parseError(blocks).message().find("PLS-00123"), std::string::npos);

    std::string chain = "begin :x := 1";
    for (int i = 0; i < 100000; ++i)
        chain += " + 1";
    EXPECT_EQ(parseError(chain + "; end;").code(), 6550);

    std::string nots = "begin if " + std::string(0, ' ');
    for (int i = 0; i < 100000; ++i)
        nots += "not ";
    EXPECT_EQ(parseError(nots + "true then null; end if; end;").code(), 6550);
}

TEST(Parser, ModerateNestingIsFine)
{
    std::string text =
        "begin :x := " + std::string(50, '(') + "1" + std::string(50, ')') + "; end;";
    EXPECT_NO_THROW(Parser(text).parseAnonymousBlock());
    std::string chain = "begin :x := 'a'";
    for (int i = 0; i < 500; ++i)
        chain += " || 'a'";
    EXPECT_NO_THROW(Parser(chain + "; end;").parseAnonymousBlock());
}

TEST(Parser, NamedArgumentsAfterPositionalOnly)
{
    EXPECT_NO_THROW(Parser("begin p(1, b => 2); end;").parseAnonymousBlock());
    EXPECT_NE(parseError("begin p(a => 1, 2); end;").message().find("PLS-00312"),
              std::string::npos);
}

} // namespace vexmoor::engine
