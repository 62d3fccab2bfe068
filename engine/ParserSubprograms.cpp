// Local procedures and functions in a declare section.
#include "Parser.h"

namespace vexmoor::engine {

void Parser::parseSubprogram(Block& block)
{
    auto unit = std::make_unique<UnitAst>();
    unit->isFunction = check(TokenKind::KwFunction);
    advance();
    unit->namePos = posOf(current_);
    unit->name = identifier("<an identifier> <a double-quoted delimited-identifier>");
    if (check(TokenKind::LeftParen))
        parseParameters(*unit);
    if (unit->isFunction) {
        expect(TokenKind::KwReturn, "( return");
        unit->returnType = parseType(false);
    }
    if (accept(TokenKind::Semicolon)) {
        unit->forward = true;
        unit->fromHeader = packageSpec_;
        block.subprograms.push_back(std::move(unit));
        return;
    }
    if (packageSpec_)
        unexpected(unit->isFunction ? ";" : "( ;");
    if (!accept(TokenKind::KwIs) && !accept(TokenKind::KwAs))
        unexpected(unit->isFunction ? "; is as" : "( ; is as");
    unit->block.pos = posOf(current_);
    const UnitAst* outer = subprogram_;
    const bool packageLevel = packageLevel_;
    subprogram_ = unit.get();
    packageLevel_ = false;
    {
        DepthGuard guard(*this);
        parseBlockAfterDeclare(unit->block);
    }
    subprogram_ = outer;
    packageLevel_ = packageLevel;
    parseEndName(*unit);
    expect(TokenKind::Semicolon, "; <an identifier> <a double-quoted delimited-identifier>");
    block.subprograms.push_back(std::move(unit));
}

} // namespace vexmoor::engine
