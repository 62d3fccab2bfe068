#include "engine/Lexer.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexmoor::engine {

namespace {

std::vector<Token> scan(std::string_view text)
{
    Lexer lexer(text);
    std::vector<Token> tokens;
    for (;;) {
        tokens.push_back(lexer.next());
        if (tokens.back().kind == TokenKind::EndOfFile || tokens.back().kind == TokenKind::Error)
            return tokens;
    }
}

std::vector<TokenKind> kinds(std::string_view text)
{
    std::vector<TokenKind> result;
    for (const auto& token : scan(text))
        result.push_back(token.kind);
    return result;
}

} // namespace

TEST(Lexer, ReceiveStatementTokensWithPositions)
{
    const auto tokens = scan("begin :sta := dbms_pipe.receive_message('vexmoor', 0); end;");
    ASSERT_EQ(tokens.size(), 15U);
    EXPECT_EQ(tokens[0].kind, TokenKind::KwBegin);
    EXPECT_EQ(tokens[1].kind, TokenKind::BindVariable);
    EXPECT_EQ(tokens[1].text, ":sta");
    EXPECT_EQ(tokens[1].column, 7U);
    EXPECT_EQ(tokens[2].kind, TokenKind::Assign);
    EXPECT_EQ(tokens[3].text, "dbms_pipe");
    EXPECT_EQ(tokens[4].kind, TokenKind::Dot);
    EXPECT_EQ(tokens[7].kind, TokenKind::String);
    EXPECT_EQ(tokens[7].text, "'vexmoor'");
    EXPECT_EQ(tokens[7].offset, 40U);
    EXPECT_EQ(tokens[9].kind, TokenKind::Number);
    EXPECT_EQ(tokens[12].kind, TokenKind::KwEnd);
}

TEST(Lexer, LinesAndColumnsCountTabsAsOneCharacter)
{
    const auto tokens = scan("BEGIN\n\tx := 1;\n\t\tEND;");
    EXPECT_EQ(tokens[1].line, 2U);
    EXPECT_EQ(tokens[1].column, 2U);
    EXPECT_EQ(tokens[1].offset, 7U);
    EXPECT_EQ(tokens[5].kind, TokenKind::KwEnd);
    EXPECT_EQ(tokens[5].line, 3U);
    EXPECT_EQ(tokens[5].column, 3U);
}

TEST(Lexer, KeywordsAreCaseInsensitiveAndOthersStayIdentifiers)
{
    EXPECT_EQ(kinds("ElsIf eLSe dbms_pipe Replace"),
              (std::vector{TokenKind::KwElsif, TokenKind::KwElse, TokenKind::Identifier,
                           TokenKind::Identifier, TokenKind::EndOfFile}));
}

TEST(Lexer, OperatorsIncludingTheFourWaysToSayNotEqual)
{
    EXPECT_EQ(kinds("!= <> ~= ^= <= >= => .. || ** << >>"),
              (std::vector{TokenKind::NotEqual, TokenKind::NotEqual, TokenKind::NotEqual,
                           TokenKind::NotEqual, TokenKind::LessEqual, TokenKind::GreaterEqual,
                           TokenKind::Arrow, TokenKind::DotDot, TokenKind::Concat, TokenKind::Power,
                           TokenKind::LabelOpen, TokenKind::LabelClose, TokenKind::EndOfFile}));
}

TEST(Lexer, NumbersAndRanges)
{
    EXPECT_EQ(kinds("1..10"), (std::vector{TokenKind::Number, TokenKind::DotDot, TokenKind::Number,
                                           TokenKind::EndOfFile}));
    const auto tokens = scan("3.25 .5 1e3 2E-2");
    EXPECT_EQ(tokens[0].text, "3.25");
    EXPECT_EQ(tokens[1].text, ".5");
    EXPECT_EQ(tokens[2].text, "1e3");
    EXPECT_EQ(tokens[3].text, "2E-2");
}

TEST(Lexer, StringsWithDoubledQuotesAndQuotedNames)
{
    const auto tokens = scan("'it''s' \"Mixed Case\"");
    EXPECT_EQ(tokens[0].kind, TokenKind::String);
    EXPECT_EQ(tokens[0].text, "'it''s'");
    EXPECT_EQ(tokens[1].kind, TokenKind::QuotedIdentifier);
    EXPECT_EQ(tokens[1].text, "\"Mixed Case\"");
}

TEST(Lexer, CommentsAreSkipped)
{
    EXPECT_EQ(kinds("a -- rest of line\n/* block\n comment */ b"),
              (std::vector{TokenKind::Identifier, TokenKind::Identifier, TokenKind::EndOfFile}));
}

TEST(Lexer, UnterminatedTextsAndStrayCharactersAreErrorTokens)
{
    auto tokens = scan("x := 'abc");
    EXPECT_EQ(tokens.back().kind, TokenKind::Error);
    EXPECT_EQ(tokens.back().text, "end-of-file");
    EXPECT_EQ(tokens.back().offset, 5U);

    tokens = scan("a /* never closed");
    EXPECT_EQ(tokens.back().kind, TokenKind::Error);

    tokens = scan("a \"unclosed");
    EXPECT_EQ(tokens.back().kind, TokenKind::Error);

    tokens = scan("a @ b");
    EXPECT_EQ(tokens.back().kind, TokenKind::Error);
    EXPECT_EQ(tokens.back().text, "@");
    EXPECT_EQ(tokens.back().column, 3U);
}

TEST(Lexer, EndOfFileRepeats)
{
    Lexer lexer("x");
    lexer.next();
    EXPECT_EQ(lexer.next().kind, TokenKind::EndOfFile);
    EXPECT_EQ(lexer.next().kind, TokenKind::EndOfFile);
}

} // namespace vexmoor::engine
