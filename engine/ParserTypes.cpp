// TYPE declarations: records, index-by tables and nested tables.
#include "Composite.h"
#include "Parser.h"
#include "base/Text.h"
#include <cctype>

namespace vexmoor::engine {

namespace {

bool isWord(const Token& token, std::string_view word)
{
    return token.kind == TokenKind::Identifier && token.text.size() == word.size()
           && base::startsWithUpperAt(token.text, 0, word);
}

} // namespace

// VARRAY(n) OF type, VARYING ARRAY(n) OF type.
void Parser::parseVarray(CompositeType& type)
{
    if (isWord(current_, "VARYING")) {
        advance();
        if (!isWord(current_, "ARRAY"))
            unexpected("array");
    }
    advance();
    expect(TokenKind::LeftParen, "(");
    const SourcePos at = posOf(current_);
    type.limit = parseInteger();
    if (type.limit < 1)
        throw compileError(at, "PLS-00999: implementation restriction (may be temporary) a "
                               "VARRAY's limit must be at least 1");
    expect(TokenKind::RightParen, ")");
    if (!isWord(current_, "OF"))
        unexpected("of");
    advance();
    type.element = parseType(true);
    if (check(TokenKind::KwNot))
        unsupported("NOT NULL collection elements are not supported");
    type.kind = CompositeType::Kind::Varray;
}

void Parser::parseTypeDeclaration(Block& block)
{
    advance(); // TYPE
    Declaration declaration;
    declaration.pos = posOf(current_);
    declaration.name = identifier("<an identifier> <a double-quoted delimited-identifier>");
    for (const auto& other : block.declarations) {
        if (other.name == declaration.name)
            throw compileError(declaration.pos, "PLS-00371: at most one declaration for '"
                                                    + declaration.name + "' is permitted");
    }
    expect(TokenKind::KwIs, "is");
    typeNames_.push_back(declaration.name);
    auto type = std::make_shared<CompositeType>();
    type->name = declaration.name;
    type->pos = declaration.pos;
    if (isWord(current_, "RECORD")) {
        advance();
        expect(TokenKind::LeftParen, "(");
        do {
            CompositeType::Field field;
            field.pos = posOf(current_);
            field.name = identifier("<an identifier> <a double-quoted delimited-identifier>");
            if (type->fieldIndex(field.name) >= 0)
                throw compileError(field.pos, "PLS-00410: duplicate fields in RECORD,TABLE or "
                                              "argument list are not permitted");
            field.type = parseType(true);
            if (check(TokenKind::KwNot) || check(TokenKind::Assign) || check(TokenKind::KwDefault))
                unsupported("NOT NULL and defaults of record fields are not supported");
            type->fields.push_back(std::move(field));
        } while (accept(TokenKind::Comma));
        expect(TokenKind::RightParen, ") ,");
    } else if (isWord(current_, "TABLE")) {
        advance();
        if (!isWord(current_, "OF"))
            unexpected("of");
        advance();
        type->element = parseType(true);
        if (check(TokenKind::KwNot))
            unsupported("NOT NULL collection elements are not supported");
        type->kind = CompositeType::Kind::Nested;
        if (isWord(current_, "INDEX")) {
            advance();
            expect(TokenKind::KwBy, "by");
            const SourcePos keyPos = posOf(current_);
            const TypeSpec key = parseType(true);
            if (key.type == ValueType::Varchar2) {
                type->stringKeys = true;
                type->keyLength = key.length;
            } else if (key.type != ValueType::Number || !key.binaryInteger) {
                throw compileError(
                    keyPos, "PLS-00315: Implementation restriction: unsupported table index type");
            }
            type->kind = CompositeType::Kind::IndexBy;
        }
    } else if (isWord(current_, "VARRAY") || isWord(current_, "VARYING")) {
        parseVarray(*type);
    } else if (isWord(current_, "REF") || isWord(current_, "OBJECT")) {
        unsupported("REF CURSOR and object types are not supported");
    } else {
        unexpected("record table varray varying ref");
    }
    expect(TokenKind::Semicolon, ";");
    declaration.typeDeclaration = type.get();
    block.types.push_back(std::move(type));
    block.declarations.push_back(std::move(declaration));
}

} // namespace vexmoor::engine
