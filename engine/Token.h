#pragma once

#include <cstdint>
#include <string_view>

namespace vexmoor::engine {

// The symbols of PL/SQL and of the few SQL commands the engine runs. Reserved
// words get their own kinds so that the parser can switch on them; words that
// are only keywords in one place (REPLACE, SYNONYM, ...) stay identifiers.
enum class TokenKind : std::uint8_t {
    // literals and names
    Identifier,
    QuotedIdentifier, // "Name": text includes the quotes
    Number,
    String,       // 'text': text includes the quotes
    BindVariable, // :name or :1, text includes the colon
    // punctuation
    LeftParen,
    RightParen,
    Comma,
    Semicolon,
    Dot,
    DotDot,
    Assign,
    Arrow,
    Plus,
    Minus,
    Star,
    Slash,
    Power,
    Concat,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    LabelOpen,
    LabelClose,
    Percent,
    // reserved words
    KwAnd,
    KwAs,
    KwBegin,
    KwBy,
    KwConstant,
    KwDeclare,
    KwDefault,
    KwElse,
    KwElsif,
    KwEnd,
    KwException,
    KwExit,
    KwFalse,
    KwFor,
    KwFunction,
    KwIf,
    KwIn,
    KwIs,
    KwLoop,
    KwMod,
    KwNot,
    KwNull,
    KwOr,
    KwOthers,
    KwOut,
    KwNocopy,
    KwPragma,
    KwProcedure,
    KwRaise,
    KwReturn,
    KwReverse,
    KwThen,
    KwTrue,
    KwWhen,
    KwWhile,
    // end of the text, and a character sequence that is no token
    EndOfFile,
    Error,
};

// A token points into the statement text; the text outlives every token.
struct Token {
    TokenKind kind = TokenKind::EndOfFile;
    std::string_view text;
    std::uint32_t line = 1;   // from 1
    std::uint32_t column = 1; // from 1, in characters
    std::uint32_t offset = 0; // from 0, in characters of the statement
};

} // namespace vexmoor::engine
