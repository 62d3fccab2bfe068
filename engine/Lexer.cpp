#include "Lexer.h"
#include "base/Text.h"

#include <array>
#include <cctype>

namespace vexmoor::engine {

namespace {

bool isLetter(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Oracle allows $ and # after the first letter of a name.
bool isWordChar(char c)
{
    return isLetter(c) || isDigit(c) || c == '_' || c == '$' || c == '#';
}

char upper(char c)
{
    return base::upperChar(c);
}

struct Keyword {
    std::string_view word;
    TokenKind kind;
};

constexpr std::array kKeywords{
    Keyword{"AND", TokenKind::KwAnd},
    Keyword{"AS", TokenKind::KwAs},
    Keyword{"BEGIN", TokenKind::KwBegin},
    Keyword{"BY", TokenKind::KwBy},
    Keyword{"CONSTANT", TokenKind::KwConstant},
    Keyword{"DECLARE", TokenKind::KwDeclare},
    Keyword{"DEFAULT", TokenKind::KwDefault},
    Keyword{"ELSE", TokenKind::KwElse},
    Keyword{"ELSIF", TokenKind::KwElsif},
    Keyword{"END", TokenKind::KwEnd},
    Keyword{"EXCEPTION", TokenKind::KwException},
    Keyword{"EXIT", TokenKind::KwExit},
    Keyword{"FALSE", TokenKind::KwFalse},
    Keyword{"FOR", TokenKind::KwFor},
    Keyword{"FUNCTION", TokenKind::KwFunction},
    Keyword{"IF", TokenKind::KwIf},
    Keyword{"IN", TokenKind::KwIn},
    Keyword{"IS", TokenKind::KwIs},
    Keyword{"LOOP", TokenKind::KwLoop},
    Keyword{"MOD", TokenKind::KwMod},
    Keyword{"NOCOPY", TokenKind::KwNocopy},
    Keyword{"NOT", TokenKind::KwNot},
    Keyword{"NULL", TokenKind::KwNull},
    Keyword{"OR", TokenKind::KwOr},
    Keyword{"OTHERS", TokenKind::KwOthers},
    Keyword{"OUT", TokenKind::KwOut},
    Keyword{"PRAGMA", TokenKind::KwPragma},
    Keyword{"PROCEDURE", TokenKind::KwProcedure},
    Keyword{"RAISE", TokenKind::KwRaise},
    Keyword{"RETURN", TokenKind::KwReturn},
    Keyword{"REVERSE", TokenKind::KwReverse},
    Keyword{"THEN", TokenKind::KwThen},
    Keyword{"TRUE", TokenKind::KwTrue},
    Keyword{"WHEN", TokenKind::KwWhen},
    Keyword{"WHILE", TokenKind::KwWhile},
};

} // namespace

bool equalsKeyword(std::string_view word, std::string_view upperKeyword)
{
    if (word.size() != upperKeyword.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (upper(word[i]) != upperKeyword[i])
            return false;
    }
    return true;
}

TokenKind keywordKind(std::string_view word)
{
    if (word.size() < 2 || word.size() > 9)
        return TokenKind::Identifier;
    for (const auto& keyword : kKeywords) {
        if (equalsKeyword(word, keyword.word))
            return keyword.kind;
    }
    return TokenKind::Identifier;
}

char Lexer::peek(std::size_t ahead) const
{
    return current_ + ahead < source_.size() ? source_[current_ + ahead] : '\0';
}

char Lexer::advance()
{
    const char c = source_[current_++];
    if (c == '\n') {
        ++line_;
        lineStart_ = current_;
    }
    return c;
}

bool Lexer::match(char expected)
{
    if (atEnd() || source_[current_] != expected)
        return false;
    advance();
    return true;
}

void Lexer::skipBlanksAndComments()
{
    while (!atEnd()) {
        const char c = peek();
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
            advance();
        } else if (c == '-' && peek(1) == '-') {
            while (!atEnd() && peek() != '\n')
                advance();
        } else if (c == '/' && peek(1) == '*') {
            start_ = current_;
            startLine_ = line_;
            startLineStart_ = lineStart_;
            advance();
            advance();
            while (!atEnd() && !(peek() == '*' && peek(1) == '/'))
                advance();
            if (atEnd()) {
                unterminatedComment_ = true;
                return;
            }
            advance();
            advance();
        } else {
            return;
        }
    }
}

Token Lexer::make(TokenKind kind) const
{
    Token token;
    token.kind = kind;
    token.text = source_.substr(start_, current_ - start_);
    token.line = startLine_;
    token.column = static_cast<std::uint32_t>(start_ - startLineStart_ + 1);
    token.offset = static_cast<std::uint32_t>(start_);
    return token;
}

Token Lexer::error(std::string_view symbol) const
{
    Token token = make(TokenKind::Error);
    token.text = symbol;
    return token;
}

Token Lexer::next()
{
    skipBlanksAndComments();
    if (unterminatedComment_)
        return error("end-of-file");
    start_ = current_;
    startLine_ = line_;
    startLineStart_ = lineStart_;
    if (atEnd())
        return make(TokenKind::EndOfFile);

    const char c = peek();
    if (isLetter(c))
        return word();
    if (isDigit(c) || (c == '.' && isDigit(peek(1))))
        return number();
    if (c == '\'')
        return quoted('\'', TokenKind::String);
    if (c == '"')
        return quoted('"', TokenKind::QuotedIdentifier);
    if (c == ':' && (isWordChar(peek(1)) || peek(1) == '"'))
        return bindVariable();
    advance();
    return symbol(c);
}

Token Lexer::word()
{
    while (!atEnd() && isWordChar(peek()))
        advance();
    Token token = make(TokenKind::Identifier);
    token.kind = keywordKind(token.text);
    return token;
}

Token Lexer::number()
{
    while (isDigit(peek()))
        advance();
    // "1..10" is a range, not the number "1." followed by ".10".
    if (peek() == '.' && peek(1) != '.') {
        advance();
        while (isDigit(peek()))
            advance();
    }
    if ((peek() == 'e' || peek() == 'E')
        && (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
        advance();
        if (peek() == '+' || peek() == '-')
            advance();
        while (isDigit(peek()))
            advance();
    }
    return make(TokenKind::Number);
}

Token Lexer::quoted(char quote, TokenKind kind)
{
    advance();
    for (;;) {
        if (atEnd())
            return error("end-of-file");
        if (advance() == quote) {
            // A doubled quote inside a string literal stands for one quote.
            if (kind == TokenKind::String && peek() == quote) {
                advance();
                continue;
            }
            break;
        }
    }
    if (kind == TokenKind::QuotedIdentifier && current_ - start_ == 2)
        return error("\"\"");
    return make(kind);
}

Token Lexer::bindVariable()
{
    advance(); // ':'
    if (peek() == '"') {
        Token inner = quoted('"', TokenKind::QuotedIdentifier);
        if (inner.kind == TokenKind::Error)
            return inner;
        return make(TokenKind::BindVariable);
    }
    while (!atEnd() && isWordChar(peek()))
        advance();
    return make(TokenKind::BindVariable);
}

Token Lexer::symbol(char c)
{
    switch (c) {
    case '(':
        return make(TokenKind::LeftParen);
    case ')':
        return make(TokenKind::RightParen);
    case ',':
        return make(TokenKind::Comma);
    case ';':
        return make(TokenKind::Semicolon);
    case '+':
        return make(TokenKind::Plus);
    case '-':
        return make(TokenKind::Minus);
    case '/':
        return make(TokenKind::Slash);
    case '%':
        return make(TokenKind::Percent);
    case '.':
        return make(match('.') ? TokenKind::DotDot : TokenKind::Dot);
    case '*':
        return make(match('*') ? TokenKind::Power : TokenKind::Star);
    case ':':
        return match('=') ? make(TokenKind::Assign) : error(":");
    case '=':
        return make(match('>') ? TokenKind::Arrow : TokenKind::Equal);
    case '|':
        return match('|') ? make(TokenKind::Concat) : error("|");
    case '!':
    case '~':
    case '^':
        return match('=') ? make(TokenKind::NotEqual) : error(source_.substr(start_, 1));
    case '<':
        if (match('='))
            return make(TokenKind::LessEqual);
        if (match('>'))
            return make(TokenKind::NotEqual);
        if (match('<'))
            return make(TokenKind::LabelOpen);
        return make(TokenKind::Less);
    case '>':
        if (match('='))
            return make(TokenKind::GreaterEqual);
        if (match('>'))
            return make(TokenKind::LabelClose);
        return make(TokenKind::Greater);
    default:
        return error(source_.substr(start_, current_ - start_));
    }
}

} // namespace vexmoor::engine
