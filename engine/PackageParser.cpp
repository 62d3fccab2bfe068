// A package's header or body, as CREATE PACKAGE [BODY] stores it.
#include "Parser.h"

namespace vexmoor::engine {

void Parser::knowTypesOf(const Block& header)
{
    for (const auto& declaration : header.declarations) {
        if (declaration.typeDeclaration != nullptr)
            typeNames_.push_back(declaration.name);
    }
}

std::unique_ptr<UnitAst> Parser::parsePackage()
{
    auto unit = std::make_unique<UnitAst>();
    unit_ = unit.get();
    unit->isProcedure = true;
    unit->isPackage = true;
    if (!acceptWord("PACKAGE"))
        unexpected("package");
    unit->isPackageBody = acceptWord("BODY");
    unit->namePos = posOf(current_);
    unit->name = identifier("<an identifier> <a double-quoted delimited-identifier>");
    if (accept(TokenKind::Dot)) {
        unit->namePos = posOf(current_);
        unit->name = identifier("<an identifier> <a double-quoted delimited-identifier>");
    }
    if (!accept(TokenKind::KwIs) && !accept(TokenKind::KwAs))
        unexpected("is as authid accessible");
    unit->block.pos = posOf(current_);
    packageLevel_ = true;
    packageSpec_ = !unit->isPackageBody;
    parseDeclarations(unit->block);
    packageLevel_ = packageSpec_ = false;
    if (check(TokenKind::KwBegin)) {
        if (!unit->isPackageBody)
            unexpected("end function pragma procedure");
        parseBody(unit->block);
    } else {
        expect(TokenKind::KwEnd, "begin end function pragma procedure");
    }
    parseEndName(*unit);
    expect(TokenKind::Semicolon, "; <an identifier> <a double-quoted delimited-identifier>");
    parseEndOfText();
    if (!unit->isPackageBody) {
        unit->publicDeclarations = unit->block.declarations.size();
        unit->publicSubprograms = unit->block.subprograms.size();
    }
    return unit;
}

} // namespace vexmoor::engine
