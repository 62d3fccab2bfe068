#pragma once

#include "Token.h"

#include <string_view>

namespace vexmoor::engine {

// Scans a statement text into tokens on demand. Never throws: a sequence that
// is no token (an unterminated string, quoted name or comment, a stray
// character) comes back as an Error token whose text is what Oracle names in
// its message ("end-of-file" for the unterminated ones).
class Lexer {
public:
    explicit Lexer(std::string_view source) : source_(source) {}

    Token next();

private:
    bool atEnd() const { return current_ >= source_.size(); }
    char peek(std::size_t ahead = 0) const;
    char advance();
    bool match(char expected);
    void skipBlanksAndComments();
    Token make(TokenKind kind) const;
    Token error(std::string_view symbol) const;
    Token word();
    Token number();
    Token quoted(char quote, TokenKind kind);
    Token bindVariable();
    Token symbol(char c);

    std::string_view source_;
    std::size_t current_ = 0;
    std::size_t start_ = 0;
    std::uint32_t line_ = 1;
    std::size_t lineStart_ = 0;
    std::uint32_t startLine_ = 1;
    std::size_t startLineStart_ = 0;
    bool unterminatedComment_ = false;
};

// The reserved word a word names, or Identifier.
TokenKind keywordKind(std::string_view word);

// Case-insensitive comparison of a word with an upper-case keyword.
bool equalsKeyword(std::string_view word, std::string_view upperKeyword);

} // namespace vexmoor::engine
