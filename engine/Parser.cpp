#include "Parser.h"

#include "NumberFormat.h"
#include "base/Text.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace vexmoor::engine {

namespace {

constexpr std::size_t kMaxExpressionDepth = 1000;

// What Oracle lists after "when expecting one of the following:" in the
// common places.
constexpr std::string_view kOperators =
    "* & = - + < / > at in is mod remainder not rem <an exponent (**)> <> or != or ~= >= <= <> "
    "and or like like2 like4 likec between || multiset member submultiset";
constexpr std::string_view kAfterArgument =
    ") , * & = - + < / > at in is mod remainder not rem => <an exponent (**)> <> or != or ~= >= "
    "<= <> and or like like2 like4 likec between || multiset member submultiset";
constexpr std::string_view kExpressionStart =
    "( - + case mod new not null <an identifier> <a double-quoted delimited-identifier> "
    "<a bind variable> continue avg count current exists max min prior sql stddev sum variance "
    "execute forall merge time timestamp interval date <a string literal with character set "
    "specification> <a number> <a single-quoted SQL string> pipe";
constexpr std::string_view kStatementStart =
    "( begin case declare end exception exit for goto if loop mod null pragma raise return select "
    "update while with <an identifier> <a double-quoted delimited-identifier> <a bind variable> << "
    "continue close current delete fetch lock insert open rollback savepoint set sql execute "
    "commit forall merge pipe purge";
constexpr std::string_view kAfterName = ":= . ( @ % ;";
constexpr std::string_view kDeclarationStart =
    "begin function pragma procedure subtype type <an identifier> <a double-quoted "
    "delimited-identifier> current cursor delete exists prior";
constexpr std::string_view kTypeStart =
    "<an identifier> <a double-quoted delimited-identifier> table long double ref char time "
    "timestamp interval date binary national character nchar";

std::string withOperators(std::string_view first)
{
    std::string list(kOperators);
    // Oracle puts the symbol it wanted among the operators; in front is close enough.
    return std::string(first) + " " + list;
}

// Oracle's list: a blank line, then lines of at most about 70 characters,
// indented by three blanks.
std::string wrapList(std::string_view list)
{
    std::string text = "\n\n   ";
    std::size_t lineLength = 0;
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t end = list.find(' ', pos);
        if (end == std::string_view::npos)
            end = list.size();
        const std::string_view word = list.substr(pos, end - pos);
        if (lineLength > 0 && lineLength + 1 + word.size() > 66) {
            text += "\n   ";
            lineLength = 0;
        } else if (lineLength > 0) {
            text += ' ';
            ++lineLength;
        }
        text += word;
        lineLength += word.size();
        pos = end + 1;
    }
    return text;
}

std::string symbolText(const Token& token)
{
    switch (token.kind) {
    case TokenKind::EndOfFile:
        return "end-of-file";
    case TokenKind::Error:
        return std::string(token.text);
    case TokenKind::String:
        return std::string(token.text.substr(1, token.text.size() - 2));
    case TokenKind::QuotedIdentifier:
        return std::string(token.text.substr(1, token.text.size() - 2));
    default:
        break;
    }
    return base::upperText(token.text);
}


// Statements of PL/SQL that the engine does not run; naming them beats a
// puzzling PLS-00103.
bool isUnsupportedStatementWord(std::string_view word)
{
    for (const std::string_view unsupported :
         {"SELECT", "INSERT", "UPDATE", "DELETE", "MERGE", "ROLLBACK", "SAVEPOINT", "LOCK", "OPEN",
          "FETCH", "CLOSE", "EXECUTE", "GOTO", "FORALL", "PIPE", "WITH", "SET"}) {
        if (equalsKeyword(word, unsupported))
            return true;
    }
    return false;
}

bool startsStatement(TokenKind kind)
{
    switch (kind) {
    case TokenKind::Identifier:
    case TokenKind::QuotedIdentifier:
    case TokenKind::BindVariable:
    case TokenKind::KwNull:
    case TokenKind::KwBegin:
    case TokenKind::KwDeclare:
    case TokenKind::KwIf:
    case TokenKind::KwLoop:
    case TokenKind::KwWhile:
    case TokenKind::KwFor:
    case TokenKind::KwExit:
    case TokenKind::KwReturn:
    case TokenKind::KwRaise:
    case TokenKind::LabelOpen:
        return true;
    default:
        return false;
    }
}

} // namespace

std::string unquoteString(std::string_view literal)
{
    std::string text;
    text.reserve(literal.size());
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        text += literal[i];
        if (literal[i] == '\'')
            ++i; // the second quote of a doubled pair
    }
    return text;
}

OraError compileError(const SourcePos& pos, std::string_view plsText)
{
    std::string message = oraPrefix(6550) + ": line " + std::to_string(pos.line) + ", column "
                          + std::to_string(pos.column) + ":\n" + std::string(plsText);
    return OraError(6550, std::move(message), pos.offset);
}

OraError compileError(const SourcePos& pos, std::string_view plsText, const SourcePos& statement)
{
    OraError error = compileError(pos, plsText);
    error.appendLine(oraPrefix(6550) + ": line " + std::to_string(statement.line) + ", column "
                     + std::to_string(statement.column) + ":");
    error.appendLine("PL/SQL: Statement ignored");
    return error;
}

std::string normalizeIdentifier(const Token& token)
{
    if (token.kind == TokenKind::QuotedIdentifier)
        return std::string(token.text.substr(1, token.text.size() - 2));
    return base::upperText(token.text);
}

Parser::Parser(std::string_view source) : lexer_(source)
{
    current_ = nextToken();
}

// The lexer's next token; a name longer than Oracle's 128 bytes is refused
// where it stands, quoted or not.
Token Parser::nextToken()
{
    Token token = lexer_.next();
    if ((token.kind == TokenKind::Identifier || token.kind == TokenKind::QuotedIdentifier)
        && normalizeIdentifier(token).size() > kMaxIdentifier)
        throw compileError(posOf(token),
                           "PLS-00114: identifier '" + normalizeIdentifier(token) + "' too long");
    return token;
}

Parser::DepthGuard::DepthGuard(Parser& parser) : parser_(parser)
{
    if (++parser_.depth_ > kMaxNesting) {
        --parser_.depth_;
        parser_.tooDeep();
    }
}

const Token& Parser::lookahead()
{
    if (!hasNext_) {
        next_ = current_.kind == TokenKind::EndOfFile || current_.kind == TokenKind::Error
                    ? current_
                    : nextToken();
        hasNext_ = true;
    }
    return next_;
}

void Parser::advance()
{
    if (current_.kind == TokenKind::EndOfFile || current_.kind == TokenKind::Error)
        return;
    if (hasNext_) {
        current_ = next_;
        hasNext_ = false;
    } else {
        current_ = nextToken();
    }
}

bool Parser::accept(TokenKind kind)
{
    if (!check(kind))
        return false;
    advance();
    return true;
}

void Parser::expect(TokenKind kind, std::string_view expected)
{
    if (!accept(kind))
        unexpected(expected);
}

SourcePos Parser::posOf(const Token& token)
{
    return SourcePos{token.line, token.column, token.offset};
}

void Parser::unexpected(std::string_view expected)
{
    throw compileError(posOf(current_),
                       "PLS-00103: Encountered the symbol \"" + symbolText(current_)
                           + "\" when expecting one of the following:" + wrapList(expected));
}

void Parser::tooDeep()
{
    throw compileError(posOf(current_), "PLS-00123: program too large (Parse Tree Nodes)");
}

void Parser::unsupported(std::string_view what)
{
    throw compileError(posOf(current_), "PLS-00999: implementation restriction (may be temporary) "
                                            + std::string(what));
}

std::string Parser::identifier(std::string_view expected)
{
    if (!check(TokenKind::Identifier) && !check(TokenKind::QuotedIdentifier))
        unexpected(expected);
    std::string name = normalizeIdentifier(current_);
    advance();
    return name;
}

// ---------------------------------------------------------------- units

std::unique_ptr<UnitAst> Parser::parseAnonymousBlock()
{
    auto unit = std::make_unique<UnitAst>();
    unit_ = unit.get();
    unit->block.pos = posOf(current_);
    if (accept(TokenKind::KwDeclare)) {
        parseBlockAfterDeclare(unit->block);
    } else if (check(TokenKind::KwBegin)) {
        parseBody(unit->block);
    } else {
        unexpected("begin declare");
    }
    if (check(TokenKind::Identifier) || check(TokenKind::QuotedIdentifier))
        advance(); // END label
    expect(TokenKind::Semicolon, "; <an identifier> <a double-quoted delimited-identifier>");
    parseEndOfText();
    return unit;
}

std::unique_ptr<UnitAst> Parser::parseProcedure()
{
    auto unit = std::make_unique<UnitAst>();
    unit_ = unit.get();
    unit->isProcedure = true;
    unit->isFunction = check(TokenKind::KwFunction);
    if (!accept(TokenKind::KwFunction))
        expect(TokenKind::KwProcedure, "procedure");
    unit->namePos = posOf(current_);
    unit->name = identifier("<an identifier> <a double-quoted delimited-identifier>");
    if (accept(TokenKind::Dot)) {
        unit->namePos = posOf(current_);
        unit->name = identifier("<an identifier> <a double-quoted delimited-identifier>");
    }
    if (check(TokenKind::LeftParen))
        parseParameters(*unit);
    if (unit->isFunction) {
        expect(TokenKind::KwReturn, "( return");
        unit->returnType = parseType(false);
    }
    subprogram_ = unit.get();
    if (!accept(TokenKind::KwIs) && !accept(TokenKind::KwAs))
        unexpected("( ; is with authid as cluster compress order using compiled wrapped external "
                   "deterministic parallel_enable pipelined result_cache accessible");
    unit->block.pos = posOf(current_);
    parseBlockAfterDeclare(unit->block);
    parseEndName(*unit);
    expect(TokenKind::Semicolon, "; <an identifier> <a double-quoted delimited-identifier>");
    parseEndOfText();
    return unit;
}

void Parser::parseEndName(const UnitAst& unit)
{
    if (!check(TokenKind::Identifier) && !check(TokenKind::QuotedIdentifier))
        return;
    const Token endName = current_;
    if (normalizeIdentifier(endName) != unit.name) {
        throw compileError(posOf(endName), "PLS-00113: END identifier '"
                                               + normalizeIdentifier(endName) + "' must match '"
                                               + unit.name + "' at line "
                                               + std::to_string(unit.namePos.line) + ", column "
                                               + std::to_string(unit.namePos.column));
    }
    advance();
}

void Parser::parseEndOfText()
{
    if (!check(TokenKind::EndOfFile))
        unexpected("end-of-file");
}

void Parser::parseParameters(UnitAst& unit)
{
    expect(TokenKind::LeftParen, "(");
    do {
        Parameter parameter;
        parameter.pos = posOf(current_);
        parameter.name = identifier(
            "<an identifier> <a double-quoted delimited-identifier> current delete exists prior");
        if (accept(TokenKind::KwIn)) {
            parameter.mode = accept(TokenKind::KwOut) ? ParamMode::InOut : ParamMode::In;
        } else if (accept(TokenKind::KwOut)) {
            parameter.mode = ParamMode::Out;
        }
        accept(TokenKind::KwNocopy);
        parameter.type = parseType(false);
        if (accept(TokenKind::Assign) || accept(TokenKind::KwDefault))
            parameter.defaultValue = parseExpression();
        for (const auto& other : unit.parameters) {
            if (other.name == parameter.name)
                throw compileError(parameter.pos, "PLS-00410: duplicate fields in RECORD,TABLE or "
                                                  "argument list are not permitted");
        }
        unit.parameters.push_back(std::move(parameter));
    } while (accept(TokenKind::Comma));
    expect(TokenKind::RightParen, withOperators(") , := default"));
}

void Parser::parseBlockAfterDeclare(Block& block)
{
    parseDeclarations(block);
    if (!check(TokenKind::KwBegin))
        unexpected(kDeclarationStart);
    parseBody(block);
}

// PRAGMA EXCEPTION_INIT(e, -n) binds an exception declared before it in the
// same part to ORA-n (100 stands for ORA-01403): a handler of e catches that
// error, and RAISE e raises it.
void Parser::parsePragma(Block& block)
{
    advance(); // PRAGMA
    const std::string pragma = identifier("<an identifier>");
    if (pragma != "EXCEPTION_INIT")
        unsupported("PRAGMA " + pragma + " is not supported");
    expect(TokenKind::LeftParen, "(");
    const SourcePos exceptionPos = posOf(current_);
    const std::string exception = identifier("<an identifier>");
    expect(TokenKind::Comma, ",");
    const SourcePos numberPos = posOf(current_);
    const bool negative = accept(TokenKind::Minus);
    if (!check(TokenKind::Number))
        unexpected("<an integer literal>");
    const std::string digits(current_.text);
    advance();
    expect(TokenKind::RightParen, ")");
    expect(TokenKind::Semicolon, ";");
    const std::string number = (negative ? "-" : "") + digits;
    long long code = 0;
    const bool integral =
        digits.find_first_not_of("0123456789") == std::string::npos && digits.size() <= 7;
    if (integral)
        code = std::stoll(digits) * (negative ? -1 : 1);
    // Oracle's range: -1,000,000 to -1 but for -1403, or 100.
    if (!integral || !((code >= -1000000 && code <= -1 && code != -1403) || code == 100))
        throw compileError(numberPos, "PLS-00701: illegal ORACLE error number " + number
                                          + " for PRAGMA EXCEPTION_INIT");
    for (auto& declaration : block.declarations) {
        if (declaration.isException && declaration.name == exception) {
            declaration.exceptionCode = code == 100 ? 1403 : static_cast<int>(-code);
            return;
        }
    }
    throw compileError(exceptionPos, "PLS-00109: unknown exception name '" + exception
                                         + "' in PRAGMA EXCEPTION_INIT");
}

void Parser::parseDeclarations(Block& block)
{
    while (!check(TokenKind::KwBegin) && !(packageLevel_ && check(TokenKind::KwEnd))) {
        if (check(TokenKind::KwProcedure) || check(TokenKind::KwFunction)) {
            parseSubprogram(block);
            continue;
        }
        // As in Oracle, nothing but subprograms may follow a subprogram.
        // A package header mixes the two freely.
        if (!block.subprograms.empty() && !packageSpec_ && !check(TokenKind::KwPragma))
            unexpected("begin function pragma procedure");
        if (check(TokenKind::KwPragma)) {
            parsePragma(block);
            continue;
        }
        if (!check(TokenKind::Identifier) && !check(TokenKind::QuotedIdentifier))
            unexpected(kDeclarationStart);
        if (check(TokenKind::Identifier) && equalsKeyword(current_.text, "TYPE")
            && (lookahead().kind == TokenKind::Identifier
                || lookahead().kind == TokenKind::QuotedIdentifier)) {
            parseTypeDeclaration(block);
            continue;
        }
        if (check(TokenKind::Identifier) && equalsKeyword(current_.text, "CURSOR")
            && (lookahead().kind == TokenKind::Identifier
                || lookahead().kind == TokenKind::QuotedIdentifier)) {
            parseCursorDeclaration(block);
            continue;
        }
        if (check(TokenKind::Identifier) && equalsKeyword(current_.text, "SUBTYPE")
            && (lookahead().kind == TokenKind::Identifier
                || lookahead().kind == TokenKind::QuotedIdentifier))
            unsupported("SUBTYPE declarations are not supported");
        parseDeclaration(block);
    }
}

void Parser::parseDeclaration(Block& block)
{
    Declaration declaration;
    declaration.pos = posOf(current_);
    declaration.name = identifier(kDeclarationStart);
    for (const auto& other : block.declarations) {
        if (other.name == declaration.name)
            throw compileError(declaration.pos, "PLS-00371: at most one declaration for '"
                                                    + declaration.name + "' is permitted");
    }
    if (accept(TokenKind::KwException)) {
        declaration.isException = true;
        expect(TokenKind::Semicolon, ";");
        block.declarations.push_back(std::move(declaration));
        return;
    }
    declaration.constant = accept(TokenKind::KwConstant);
    if (!parseAnchoredType(declaration))
        declaration.type = parseType(true);
    if (check(TokenKind::KwNot)) {
        advance();
        expect(TokenKind::KwNull, "null");
        declaration.notNull = true;
    }
    if (accept(TokenKind::Assign) || accept(TokenKind::KwDefault))
        declaration.init = parseExpression();
    if (!declaration.init && declaration.constant)
        throw compileError(declaration.pos, "PLS-00322: declaration of a constant '"
                                                + declaration.name
                                                + "' must contain an initialization assignment");
    if (!declaration.init && declaration.notNull)
        throw compileError(
            declaration.pos,
            "PLS-00218: a variable declared NOT NULL must have an initialization assignment");
    expect(TokenKind::Semicolon, withOperators("; not null default character :="));
    block.declarations.push_back(std::move(declaration));
}

int Parser::parseInteger()
{
    if (!check(TokenKind::Number))
        unexpected("<an integer>");
    int value = 0;
    const auto text = current_.text;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        unexpected("<an integer>");
    advance();
    return value;
}

TypeSpec Parser::parseType(bool allowConstraint)
{
    if (!check(TokenKind::Identifier))
        unexpected(kTypeStart);
    const Token word = current_;
    std::string name = normalizeIdentifier(word);
    advance();
    // pkg.t, owner.pkg.t: a package's type, which the compiler finds.
    while (accept(TokenKind::Dot))
        name += "." + identifier("<an identifier> <a double-quoted delimited-identifier>");
    TypeSpec type;
    if (accept(TokenKind::Percent)) {
        // the compiler finds what it is anchored to
        const std::string attribute = identifier("type rowtype");
        if (attribute != "TYPE" && attribute != "ROWTYPE")
            unexpected("type rowtype");
        type.type = ValueType::Composite;
        type.typeName = name + "%" + attribute;
        type.typePos = posOf(word);
        return type;
    }
    const auto constraint = [&](bool required, int low, int high) {
        if (!check(TokenKind::LeftParen)) {
            if (required && allowConstraint)
                throw compileError(
                    posOf(word),
                    "PLS-00215: String length constraints must be in range (1 .. 32767)");
            return -1;
        }
        if (!allowConstraint)
            unexpected(withOperators(", := ) default"));
        advance();
        const SourcePos at = posOf(current_);
        const int value = parseInteger();
        if (value < low || value > high)
            throw compileError(
                at, "PLS-00215: String length constraints must be in range (1 .. 32767)");
        return value;
    };

    if (name == "NUMBER" || name == "NUMERIC" || name == "DECIMAL" || name == "DEC"
        || name == "FLOAT") {
        type.type = ValueType::Number;
        if (check(TokenKind::LeftParen) && allowConstraint) {
            advance();
            type.precision = parseInteger();
            if (accept(TokenKind::Comma)) {
                const bool negative = accept(TokenKind::Minus);
                type.scale = parseInteger() * (negative ? -1 : 1);
            }
            type.integer = type.scale == 0 && name != "FLOAT";
            if (name == "FLOAT") {
                type.precision = -1;
                type.scale = 0;
            }
            expect(TokenKind::RightParen, ") ,");
        } else if (check(TokenKind::LeftParen)) {
            unexpected(withOperators(", := ) default"));
        }
        return type;
    }
    if (name == "INTEGER" || name == "INT" || name == "SMALLINT" || name == "PLS_INTEGER"
        || name == "BINARY_INTEGER" || name == "NATURAL" || name == "POSITIVE"
        || name == "SIMPLE_INTEGER") {
        type.type = ValueType::Number;
        type.integer = true;
        type.binaryInteger = name != "INTEGER" && name != "INT" && name != "SMALLINT";
        return type;
    }
    if (name == "VARCHAR2" || name == "VARCHAR" || name == "STRING") {
        type.type = ValueType::Varchar2;
        type.length = constraint(true, 1, static_cast<int>(kMaxVarchar2));
        if (type.length > 0) {
            if (check(TokenKind::Identifier)
                && (equalsKeyword(current_.text, "BYTE") || equalsKeyword(current_.text, "CHAR")))
                advance();
            expect(TokenKind::RightParen, ") byte char");
        }
        return type;
    }
    if (name == "RAW") {
        type.type = ValueType::Raw;
        type.length = constraint(true, 1, static_cast<int>(kMaxVarchar2));
        if (type.length > 0)
            expect(TokenKind::RightParen, ")");
        return type;
    }
    if (name == "DATE") {
        type.type = ValueType::Date;
        return type;
    }
    if (name == "ROWID" || name == "UROWID") {
        type.type = ValueType::Rowid;
        return type;
    }
    if (name == "BOOLEAN") {
        type.type = ValueType::Boolean;
        return type;
    }
    // Oracle's types that the engine does not keep are refused by name.
    static constexpr std::array kOtherOracleTypes{
        "CHAR",    "NCHAR",    "NVARCHAR2",    "CLOB",          "NCLOB",
        "BLOB",    "BFILE",    "LONG",         "TIMESTAMP",     "INTERVAL",
        "REAL",    "DOUBLE",   "BINARY_FLOAT", "BINARY_DOUBLE", "SYS_REFCURSOR",
        "XMLTYPE", "NATURALN", "POSITIVEN",    "SIGNTYPE",      "CHARACTER"};
    if (std::find(typeNames_.begin(), typeNames_.end(), name) == typeNames_.end()
        && std::find(kOtherOracleTypes.begin(), kOtherOracleTypes.end(), name)
               != kOtherOracleTypes.end())
        unsupported("the " + name + " type is not supported");
    // A type of the program's own; the compiler finds its TYPE declaration.
    if (name.find('.') == std::string::npos
        && std::find(typeNames_.begin(), typeNames_.end(), name) == typeNames_.end())
        throw compileError(posOf(word), "PLS-00201: identifier '" + name + "' must be declared");
    type.type = ValueType::Composite;
    type.typeName = name;
    type.typePos = posOf(word);
    return type;
}

void Parser::parseBody(Block& block)
{
    DepthGuard guard(*this);
    expect(TokenKind::KwBegin, "begin");
    block.body = parseStatements();
    if (accept(TokenKind::KwException))
        parseHandlers(block);
    expect(TokenKind::KwEnd, withOperators("end exception"));
}

void Parser::parseHandlers(Block& block)
{
    if (!check(TokenKind::KwWhen))
        unexpected("pragma when");
    while (check(TokenKind::KwWhen)) {
        const Token when = current_;
        advance();
        if (!block.handlers.empty() && block.handlers.back().others)
            throw compileError(
                posOf(when),
                "PLS-00370: OTHERS handler must be last among the exception handlers of a block");
        Handler handler;
        if (accept(TokenKind::KwOthers)) {
            handler.others = true;
        } else {
            do {
                HandlerName name;
                name.pos = posOf(current_);
                name.path.push_back(
                    identifier("others <an identifier> <a double-quoted delimited-identifier>"));
                while (accept(TokenKind::Dot))
                    name.path.push_back(
                        identifier("<an identifier> <a double-quoted delimited-identifier>"));
                handler.names.push_back(std::move(name));
            } while (accept(TokenKind::KwOr));
        }
        expect(TokenKind::KwThen, ". then or");
        handler.body = parseStatements();
        block.handlers.push_back(std::move(handler));
    }
}

// ---------------------------------------------------------------- statements

std::vector<Stmt> Parser::parseStatements()
{
    std::vector<Stmt> statements;
    if (!startsStatement(current_.kind))
        unexpected(kStatementStart);
    while (startsStatement(current_.kind))
        statements.push_back(parseStatement());
    return statements;
}

Stmt Parser::parseStatement()
{
    DepthGuard guard(*this);
    std::vector<std::string> labels;
    while (accept(TokenKind::LabelOpen)) {
        labels.push_back(identifier("<an identifier> <a double-quoted delimited-identifier>"));
        expect(TokenKind::LabelClose, ">>");
    }
    Stmt stmt = parseUnlabelledStatement();
    stmt.labels = std::move(labels);
    return stmt;
}

Stmt Parser::parseUnlabelledStatement()
{
    Stmt stmt;
    stmt.pos = posOf(current_);
    switch (current_.kind) {
    case TokenKind::KwNull:
        advance();
        expect(TokenKind::Semicolon, ";");
        return stmt;
    case TokenKind::KwBegin:
    case TokenKind::KwDeclare: {
        stmt.kind = StmtKind::Block;
        stmt.block = std::make_unique<Block>();
        stmt.block->pos = stmt.pos;
        if (accept(TokenKind::KwDeclare))
            parseBlockAfterDeclare(*stmt.block);
        else
            parseBody(*stmt.block);
        if (check(TokenKind::Identifier) || check(TokenKind::QuotedIdentifier))
            advance();
        expect(TokenKind::Semicolon, "; <an identifier> <a double-quoted delimited-identifier>");
        return stmt;
    }
    case TokenKind::KwIf:
        return parseIf();
    case TokenKind::KwLoop:
        stmt.kind = StmtKind::Loop;
        return parseLoop(std::move(stmt));
    case TokenKind::KwWhile:
        stmt.kind = StmtKind::While;
        advance();
        stmt.value = parseExpression();
        if (!check(TokenKind::KwLoop))
            unexpected(withOperators("loop"));
        return parseLoop(std::move(stmt));
    case TokenKind::KwFor:
        return parseFor();
    case TokenKind::KwExit:
        return parseExit(StmtKind::Exit);
    case TokenKind::KwReturn:
        return parseReturn();
    case TokenKind::KwRaise:
        return parseRaise();
    case TokenKind::BindVariable:
        return parseBindAssignment();
    case TokenKind::Identifier:
        if (equalsKeyword(current_.text, "CONTINUE")
            && (lookahead().kind == TokenKind::Semicolon || lookahead().kind == TokenKind::KwWhen
                || lookahead().kind == TokenKind::Identifier
                || lookahead().kind == TokenKind::QuotedIdentifier))
            return parseExit(StmtKind::Continue);
        return parseNameStatement();
    case TokenKind::QuotedIdentifier:
        return parseNameStatement();
    default:
        unexpected(kStatementStart);
    }
}

Stmt Parser::parseIf()
{
    Stmt stmt;
    stmt.kind = StmtKind::If;
    stmt.pos = posOf(current_);
    advance(); // IF
    do {
        IfBranch branch;
        branch.condition = parseExpression();
        expect(TokenKind::KwThen, withOperators("then"));
        branch.body = parseStatements();
        stmt.branches.push_back(std::move(branch));
    } while (accept(TokenKind::KwElsif));
    if (accept(TokenKind::KwElse)) {
        stmt.hasElse = true;
        stmt.body = parseStatements();
    }
    expect(TokenKind::KwEnd, "else elsif end");
    expect(TokenKind::KwIf, "if");
    expect(TokenKind::Semicolon, ";");
    return stmt;
}

void Parser::endLoop()
{
    expect(TokenKind::KwEnd, "end");
    expect(TokenKind::KwLoop, "loop");
    if (check(TokenKind::Identifier) || check(TokenKind::QuotedIdentifier))
        advance(); // label
    expect(TokenKind::Semicolon, "; <an identifier> <a double-quoted delimited-identifier>");
}

Stmt Parser::parseLoop(Stmt stmt)
{
    expect(TokenKind::KwLoop, "loop");
    stmt.body = parseStatements();
    endLoop();
    return stmt;
}

Stmt Parser::parseFor()
{
    Stmt stmt;
    stmt.kind = StmtKind::For;
    stmt.pos = posOf(current_);
    advance(); // FOR
    stmt.namePos = posOf(current_);
    stmt.name = identifier("<an identifier> <a double-quoted delimited-identifier>");
    expect(TokenKind::KwIn, "in");
    stmt.reverse = accept(TokenKind::KwReverse);
    if (check(TokenKind::LeftParen) && lookahead().kind == TokenKind::Identifier
        && equalsKeyword(lookahead().text, "SELECT"))
        return parseCursorFor(std::move(stmt));
    stmt.value = parseExpression();
    if (check(TokenKind::KwLoop) && !stmt.reverse && stmt.value->kind == ExprKind::Name
        && stmt.value->path.size() <= 3 && stmt.value->subscripts.empty())
        return parseDeclaredCursorFor(std::move(stmt));
    expect(TokenKind::DotDot, withOperators(".."));
    stmt.high = parseExpression();
    return parseLoop(std::move(stmt));
}

// EXIT or CONTINUE [label] [WHEN condition];
Stmt Parser::parseExit(StmtKind kind)
{
    Stmt stmt;
    stmt.kind = kind;
    stmt.pos = posOf(current_);
    advance();
    if (check(TokenKind::Identifier) || check(TokenKind::QuotedIdentifier))
        stmt.name = identifier("<an identifier>");
    if (accept(TokenKind::KwWhen))
        stmt.value = parseExpression();
    expect(TokenKind::Semicolon,
           stmt.value ? withOperators(";")
                      : "<an identifier> <a double-quoted delimited-identifier> ; when");
    return stmt;
}

Stmt Parser::parseReturn()
{
    Stmt stmt;
    stmt.kind = StmtKind::Return;
    stmt.pos = posOf(current_);
    advance();
    const bool inFunction = subprogram_ && subprogram_->isFunction;
    if (!check(TokenKind::Semicolon)) {
        const SourcePos at = posOf(current_);
        auto value = parseExpression();
        if (!inFunction)
            throw compileError(
                at, "PLS-00372: In a procedure, RETURN statement cannot contain an expression",
                stmt.pos);
        stmt.value = std::move(value);
    } else if (inFunction) {
        throw compileError(
            stmt.pos, "PLS-00503: RETURN <value> statement required for this return from function");
    }
    expect(TokenKind::Semicolon, withOperators(";"));
    return stmt;
}

Stmt Parser::parseRaise()
{
    Stmt stmt;
    stmt.kind = StmtKind::Raise;
    stmt.pos = posOf(current_);
    advance();
    if (!check(TokenKind::Semicolon)) {
        stmt.namePos = posOf(current_);
        stmt.name = identifier("<an identifier> <a double-quoted delimited-identifier> ;");
        while (accept(TokenKind::Dot)) {
            stmt.name += '.';
            stmt.name += identifier("<an identifier> <a double-quoted delimited-identifier>");
        }
    }
    expect(TokenKind::Semicolon, ". ;");
    return stmt;
}

Stmt Parser::parseNameStatement()
{
    if (check(TokenKind::Identifier) && equalsKeyword(current_.text, "CASE"))
        return parseCaseStatement();
    Stmt stmt;
    stmt.pos = posOf(current_);
    // SELECT (SELECT ...) INTO: a reserved word, never a procedure's name
    if (check(TokenKind::Identifier) && equalsKeyword(current_.text, "SELECT")
        && lookahead().kind == TokenKind::LeftParen)
        return parseSqlStatement();
    if (check(TokenKind::Identifier) && lookahead().kind != TokenKind::Assign
        && lookahead().kind != TokenKind::LeftParen && lookahead().kind != TokenKind::Dot) {
        if (isSqlStatementWord(current_.text))
            return parseSqlStatement();
        if (equalsKeyword(current_.text, "OPEN") || equalsKeyword(current_.text, "FETCH")
            || equalsKeyword(current_.text, "CLOSE") || equalsKeyword(current_.text, "EXECUTE"))
            return parseCursorStatement();
        if (isUnsupportedStatementWord(current_.text))
            unsupported(normalizeIdentifier(current_) + " statements are not supported");
    }
    auto name = parseName();
    if (check(TokenKind::Assign)) {
        advance();
        stmt.kind = StmtKind::Assign;
        stmt.target = std::move(name);
        stmt.value = parseExpression();
        expect(TokenKind::Semicolon, withOperators(";"));
        return stmt;
    }
    stmt.kind = StmtKind::Call;
    stmt.target = std::move(name);
    expect(TokenKind::Semicolon, stmt.target->hasParens ? std::string_view(";") : kAfterName);
    return stmt;
}

Stmt Parser::parseBindAssignment()
{
    Stmt stmt;
    stmt.pos = posOf(current_);
    stmt.kind = StmtKind::Assign;
    stmt.target = parseBind();
    expect(TokenKind::Assign, ":= . ( @ % ; indicator");
    stmt.value = parseExpression();
    expect(TokenKind::Semicolon, withOperators(";"));
    return stmt;
}

// ---------------------------------------------------------------- expressions

std::unique_ptr<Expr> Parser::binary(Operator op, const SourcePos& pos, std::unique_ptr<Expr> left,
                                     std::unique_ptr<Expr> right)
{
    auto expr = std::make_unique<Expr>();
    expr->kind = ExprKind::Binary;
    expr->op = op;
    expr->pos = pos;
    expr->depth = 1 + std::max(left->depth, right->depth);
    if (expr->depth > kMaxExpressionDepth)
        tooDeep();
    expr->left = std::move(left);
    expr->right = std::move(right);
    return expr;
}

std::unique_ptr<Expr> Parser::unary(Operator op, const SourcePos& pos,
                                    std::unique_ptr<Expr> operand)
{
    auto expr = std::make_unique<Expr>();
    expr->kind = ExprKind::Unary;
    expr->op = op;
    expr->pos = pos;
    expr->depth = 1 + operand->depth;
    if (expr->depth > kMaxExpressionDepth)
        tooDeep();
    expr->left = std::move(operand);
    return expr;
}

std::unique_ptr<Expr> Parser::parseExpression()
{
    DepthGuard guard(*this);
    return parseOr();
}

std::unique_ptr<Expr> Parser::parseOr()
{
    auto left = parseAnd();
    while (check(TokenKind::KwOr)) {
        const SourcePos pos = posOf(current_);
        advance();
        left = binary(Operator::Or, pos, std::move(left), parseAnd());
    }
    return left;
}

std::unique_ptr<Expr> Parser::parseAnd()
{
    auto left = parseNot();
    while (check(TokenKind::KwAnd)) {
        const SourcePos pos = posOf(current_);
        advance();
        left = binary(Operator::And, pos, std::move(left), parseNot());
    }
    return left;
}

std::unique_ptr<Expr> Parser::parseNot()
{
    if (check(TokenKind::KwNot)) {
        DepthGuard guard(*this);
        const SourcePos pos = posOf(current_);
        advance();
        return unary(Operator::Not, pos, parseNot());
    }
    return parseComparison();
}

std::unique_ptr<Expr> Parser::parseComparison()
{
    auto left = parseAdditive();
    for (;;) {
        const SourcePos pos = posOf(current_);
        Operator op;
        switch (current_.kind) {
        case TokenKind::Equal:
            op = Operator::Equal;
            break;
        case TokenKind::NotEqual:
            op = Operator::NotEqual;
            break;
        case TokenKind::Less:
            op = Operator::Less;
            break;
        case TokenKind::LessEqual:
            op = Operator::LessEqual;
            break;
        case TokenKind::Greater:
            op = Operator::Greater;
            break;
        case TokenKind::GreaterEqual:
            op = Operator::GreaterEqual;
            break;
        case TokenKind::KwIs: {
            advance();
            const bool negated = accept(TokenKind::KwNot);
            expect(TokenKind::KwNull, negated ? "null" : "not null");
            left = unary(negated ? Operator::IsNotNull : Operator::IsNull, pos, std::move(left));
            continue;
        }
        default:
            if (!atMembership())
                return left;
            left = parseMembership(std::move(left), pos);
            continue;
        }
        advance();
        left = binary(op, pos, std::move(left), parseAdditive());
    }
}

bool Parser::atMembership()
{
    const auto isWord = [](const Token& token) {
        return token.kind == TokenKind::KwIn
               || (token.kind == TokenKind::Identifier
                   && (equalsKeyword(token.text, "BETWEEN") || equalsKeyword(token.text, "LIKE")));
    };
    return isWord(current_) || (check(TokenKind::KwNot) && isWord(lookahead()));
}

// [NOT] BETWEEN a AND b, [NOT] IN (a, ...), [NOT] LIKE p [ESCAPE e]
std::unique_ptr<Expr> Parser::parseMembership(std::unique_ptr<Expr> left, const SourcePos& pos)
{
    DepthGuard guard(*this);
    const bool negated = accept(TokenKind::KwNot);
    auto expr = std::make_unique<Expr>();
    expr->kind = ExprKind::Binary;
    expr->pos = pos;
    const auto operand = [&](std::unique_ptr<Expr> value) {
        expr->depth = std::max<std::uint32_t>(expr->depth, 1 + value->depth);
        Argument argument;
        argument.pos = value->pos;
        argument.value = std::move(value);
        expr->args.push_back(std::move(argument));
    };
    if (accept(TokenKind::KwIn)) {
        expr->op = Operator::In;
        expect(TokenKind::LeftParen, "(");
        if (atSqlWord("SELECT"))
            operand(parseSubquery());
        else {
            do
                operand(parseExpression());
            while (accept(TokenKind::Comma));
        }
        expect(TokenKind::RightParen, withOperators(") ,"));
    } else if (equalsKeyword(current_.text, "BETWEEN")) {
        advance();
        expr->op = Operator::Between;
        operand(parseAdditive());
        expect(TokenKind::KwAnd, withOperators("and"));
        operand(parseAdditive());
    } else {
        advance(); // LIKE
        expr->op = Operator::Like;
        expr->right = parseAdditive();
        expr->depth = std::max<std::uint32_t>(expr->depth, 1 + expr->right->depth);
        if (check(TokenKind::Identifier) && equalsKeyword(current_.text, "ESCAPE")) {
            advance();
            operand(parseAdditive());
        }
    }
    expr->depth = std::max<std::uint32_t>(expr->depth, 1 + left->depth);
    if (expr->depth > kMaxExpressionDepth)
        tooDeep();
    expr->left = std::move(left);
    return negated ? unary(Operator::Not, pos, std::move(expr)) : std::move(expr);
}

std::unique_ptr<Expr> Parser::parseAdditive()
{
    auto left = parseMultiplicative();
    for (;;) {
        Operator op;
        switch (current_.kind) {
        case TokenKind::Plus:
            op = Operator::Add;
            break;
        case TokenKind::Minus:
            op = Operator::Subtract;
            break;
        case TokenKind::Concat:
            op = Operator::Concat;
            break;
        default:
            return left;
        }
        const SourcePos pos = posOf(current_);
        advance();
        left = binary(op, pos, std::move(left), parseMultiplicative());
    }
}

std::unique_ptr<Expr> Parser::parseMultiplicative()
{
    auto left = parseUnary();
    for (;;) {
        Operator op;
        switch (current_.kind) {
        case TokenKind::Star:
            op = Operator::Multiply;
            break;
        case TokenKind::Slash:
            op = Operator::Divide;
            break;
        case TokenKind::KwMod:
            op = Operator::Mod;
            break;
        default:
            return left;
        }
        const SourcePos pos = posOf(current_);
        advance();
        left = binary(op, pos, std::move(left), parseUnary());
    }
}

std::unique_ptr<Expr> Parser::parseUnary()
{
    if (check(TokenKind::Minus) || check(TokenKind::Plus)) {
        DepthGuard guard(*this);
        const SourcePos pos = posOf(current_);
        const Operator op = check(TokenKind::Minus) ? Operator::Negate : Operator::Plus;
        advance();
        return unary(op, pos, parseUnary());
    }
    return parsePower();
}

std::unique_ptr<Expr> Parser::parsePower()
{
    auto left = parsePrimary();
    while (check(TokenKind::Power)) {
        const SourcePos pos = posOf(current_);
        advance();
        DepthGuard guard(*this);
        left = binary(Operator::Power, pos, std::move(left), parseUnary());
    }
    return left;
}

std::unique_ptr<Expr> Parser::parsePrimary()
{
    const SourcePos pos = posOf(current_);
    switch (current_.kind) {
    case TokenKind::Number: {
        auto expr = std::make_unique<Expr>();
        expr->pos = pos;
        const auto text = current_.text;
        const double value = parseNumber(text, true);
        expr->literal = Value::number(value);
        expr->integerLiteral =
            text.find_first_not_of("0123456789") == std::string_view::npos && fitsPlsInteger(value);
        advance();
        return expr;
    }
    case TokenKind::String: {
        auto expr = std::make_unique<Expr>();
        expr->pos = pos;
        expr->literal = Value::text(unquoteString(current_.text));
        advance();
        return expr;
    }
    case TokenKind::KwNull:
    case TokenKind::KwTrue:
    case TokenKind::KwFalse: {
        auto expr = std::make_unique<Expr>();
        expr->pos = pos;
        if (!check(TokenKind::KwNull))
            expr->literal = Value::boolean(check(TokenKind::KwTrue));
        advance();
        return expr;
    }
    case TokenKind::BindVariable:
        return parseBind();
    case TokenKind::Identifier:
        if (equalsKeyword(current_.text, "CASE"))
            return parseCaseExpression();
        return parseName();
    case TokenKind::QuotedIdentifier:
        return parseName();
    case TokenKind::KwMod:
        // MOD is an operator word, and MOD(m, n) the function.
        if (lookahead().kind == TokenKind::LeftParen) {
            auto call = std::make_unique<Expr>();
            call->kind = ExprKind::Name;
            call->pos = pos;
            call->path.push_back("MOD");
            advance();
            parseArguments(*call);
            return call;
        }
        unexpected(kExpressionStart);
    case TokenKind::LeftParen: {
        DepthGuard guard(*this);
        advance();
        auto inner = atSqlWord("SELECT") ? parseSubquery() : parseExpression();
        expect(TokenKind::RightParen, withOperators(")"));
        return inner;
    }
    default:
        unexpected(kExpressionStart);
    }
}

std::unique_ptr<Expr> Parser::parseName()
{
    auto expr = std::make_unique<Expr>();
    expr->kind = ExprKind::Name;
    expr->pos = posOf(current_);
    expr->path.push_back(identifier(kExpressionStart));
    while (accept(TokenKind::Dot))
        expr->path.push_back(identifier(
            "<an identifier> <a double-quoted delimited-identifier> delete exists prior"));
    if (check(TokenKind::Percent))
        return parseAttribute(std::move(expr));
    // TRIM and EXTRACT take SQL's keyword syntax rather than a list.
    const bool single = expr->path.size() == 1;
    if (check(TokenKind::LeftParen) && single && expr->path[0] == "TRIM")
        parseTrimArguments(*expr);
    else if (check(TokenKind::LeftParen) && single && expr->path[0] == "EXTRACT")
        parseExtractArguments(*expr);
    else if (check(TokenKind::LeftParen)) {
        parseArguments(*expr);
        while (check(TokenKind::Dot) || check(TokenKind::LeftParen))
            parseSelectorAfterSubscript(*expr);
    }
    return expr;
}

// t(i).f, t(i)(j), r.t(i).u.COUNT: the subscript just read moves to
// `subscripts` and stands in the path as an empty part; the arguments of a
// last pair of parentheses stay the name's own.
void Parser::parseSelectorAfterSubscript(Expr& expr)
{
    if (expr.args.size() != 1 || !expr.args[0].name.empty())
        throw compileError(expr.pos, "PLS-00306: wrong number or types of arguments in call to '"
                                         + expr.path.back() + "'");
    expr.subscripts.push_back(std::move(expr.args[0]));
    expr.args.clear();
    expr.hasParens = false;
    expr.path.emplace_back();
    if (accept(TokenKind::Dot)) {
        expr.path.push_back(identifier("<an identifier> <a double-quoted delimited-identifier>"));
        while (accept(TokenKind::Dot))
            expr.path.push_back(
                identifier("<an identifier> <a double-quoted delimited-identifier>"));
    }
    if (check(TokenKind::LeftParen))
        parseArguments(expr);
}

bool Parser::acceptWord(std::string_view word)
{
    if (!check(TokenKind::Identifier) || !equalsKeyword(current_.text, word))
        return false;
    advance();
    return true;
}

void Parser::addArgument(Expr& call, std::string name, std::unique_ptr<Expr> value)
{
    call.depth = std::max<std::uint32_t>(call.depth, 1 + value->depth);
    if (call.depth > kMaxExpressionDepth)
        tooDeep();
    Argument argument;
    argument.name = std::move(name);
    argument.pos = value->pos;
    argument.value = std::move(value);
    call.args.push_back(std::move(argument));
}

// TRIM([LEADING|TRAILING|BOTH] [c] FROM s) or TRIM(s): the source comes
// first, then the character and the side as named arguments.
void Parser::parseTrimArguments(Expr& call)
{
    DepthGuard guard(*this);
    expect(TokenKind::LeftParen, "(");
    call.hasParens = true;
    std::string side;
    for (const std::string_view word : {"LEADING", "TRAILING", "BOTH"}) {
        if (side.empty() && acceptWord(word))
            side = std::string(word);
    }
    std::unique_ptr<Expr> character;
    std::unique_ptr<Expr> source;
    if (!side.empty() && acceptWord("FROM")) {
        source = parseExpression();
    } else {
        source = parseExpression();
        if (acceptWord("FROM")) {
            character = std::move(source);
            source = parseExpression();
        } else if (!side.empty()) {
            unexpected(withOperators("from"));
        }
    }
    expect(TokenKind::RightParen, withOperators(") from"));
    const SourcePos pos = source->pos;
    addArgument(call, "", std::move(source));
    if (character)
        addArgument(call, "TRIM_CHARACTER", std::move(character));
    if (!side.empty()) {
        auto literal = std::make_unique<Expr>();
        literal->pos = pos;
        literal->literal = Value::text(side);
        addArgument(call, "TRIM_SIDE", std::move(literal));
    }
}

// EXTRACT(field FROM d): the field becomes a text argument.
void Parser::parseExtractArguments(Expr& call)
{
    DepthGuard guard(*this);
    expect(TokenKind::LeftParen, "(");
    call.hasParens = true;
    auto field = std::make_unique<Expr>();
    field->pos = posOf(current_);
    field->literal =
        Value::text(identifier("year month day hour minute second timezone_hour timezone_minute"));
    if (!acceptWord("FROM"))
        unexpected("from");
    addArgument(call, "", std::move(field));
    addArgument(call, "", parseExpression());
    expect(TokenKind::RightParen, withOperators(")"));
}

// The selector of a simple CASE, or null before the WHEN of a searched one.
std::unique_ptr<Expr> Parser::parseCaseSelector()
{
    advance(); // CASE
    if (check(TokenKind::KwWhen))
        return nullptr;
    return parseExpression();
}

std::unique_ptr<Expr> Parser::parseCaseExpression()
{
    DepthGuard guard(*this);
    auto expr = std::make_unique<Expr>();
    expr->kind = ExprKind::Case;
    expr->pos = posOf(current_);
    expr->left = parseCaseSelector();
    if (expr->left)
        expr->depth = 1 + expr->left->depth;
    if (!check(TokenKind::KwWhen))
        unexpected(withOperators("when"));
    while (accept(TokenKind::KwWhen)) {
        addArgument(*expr, "", parseExpression());
        expect(TokenKind::KwThen, withOperators("then"));
        addArgument(*expr, "", parseExpression());
    }
    if (accept(TokenKind::KwElse)) {
        expr->right = parseExpression();
        expr->depth = std::max<std::uint32_t>(expr->depth, 1 + expr->right->depth);
    }
    expect(TokenKind::KwEnd, withOperators("else end when"));
    return expr;
}

Stmt Parser::parseCaseStatement()
{
    DepthGuard guard(*this);
    Stmt stmt;
    stmt.kind = StmtKind::Case;
    stmt.pos = posOf(current_);
    stmt.value = parseCaseSelector();
    if (!check(TokenKind::KwWhen))
        unexpected(withOperators("when"));
    while (accept(TokenKind::KwWhen)) {
        IfBranch branch;
        branch.condition = parseExpression();
        expect(TokenKind::KwThen, withOperators("then"));
        branch.body = parseStatements();
        stmt.branches.push_back(std::move(branch));
    }
    if (accept(TokenKind::KwElse)) {
        stmt.hasElse = true;
        stmt.body = parseStatements();
    }
    expect(TokenKind::KwEnd, "else end when");
    if (!acceptWord("CASE"))
        unexpected("case");
    if (check(TokenKind::Identifier) || check(TokenKind::QuotedIdentifier))
        advance(); // the label of a labelled CASE
    expect(TokenKind::Semicolon, ";");
    return stmt;
}

void Parser::parseArguments(Expr& call)
{
    DepthGuard guard(*this);
    expect(TokenKind::LeftParen, "(");
    call.hasParens = true;
    if (accept(TokenKind::RightParen))
        return;
    if (check(TokenKind::Plus) && lookahead().kind == TokenKind::RightParen)
        unsupported("Oracle's (+) outer join is not supported: write LEFT JOIN ... ON instead");
    do {
        Argument argument;
        argument.pos = posOf(current_);
        if ((check(TokenKind::Identifier) || check(TokenKind::QuotedIdentifier))
            && lookahead().kind == TokenKind::Arrow) {
            argument.name = normalizeIdentifier(current_);
            advance();
            advance();
            argument.pos = posOf(current_);
        } else if (!call.args.empty() && !call.args.back().name.empty()) {
            throw compileError(
                argument.pos,
                "PLS-00312: a positional parameter association may not follow a named association");
        }
        if (atSqlWord("SELECT")) {
            argument.value = parseSubquery(); // EXISTS (SELECT ...)
        } else if (check(TokenKind::Star) && lookahead().kind == TokenKind::RightParen) {
            // COUNT(*) in SQL: a name "*" that nothing else resolves
            argument.value = std::make_unique<Expr>();
            argument.value->kind = ExprKind::Name;
            argument.value->pos = argument.pos;
            argument.value->path.push_back("*");
            advance();
        } else {
            argument.value = parseExpression();
        }
        call.depth = std::max<std::uint32_t>(call.depth, 1 + argument.value->depth);
        if (call.depth > kMaxExpressionDepth)
            tooDeep();
        call.args.push_back(std::move(argument));
    } while (accept(TokenKind::Comma));
    expect(TokenKind::RightParen, kAfterArgument);
}

std::unique_ptr<Expr> Parser::parseBind()
{
    auto expr = std::make_unique<Expr>();
    expr->kind = ExprKind::Bind;
    expr->pos = posOf(current_);
    const std::string_view text = current_.text.substr(1);
    std::string name;
    if (!text.empty() && text.front() == '"') {
        name = std::string(text.substr(1, text.size() - 2));
    } else {
        name = base::upperText(text);
    }
    if (unit_->isProcedure)
        throw compileError(expr->pos, "PLS-00049: bad bind variable '" + name + "'");
    advance();
    const auto found = std::find(unit_->placeholders.begin(), unit_->placeholders.end(), name);
    expr->index = static_cast<int>(found - unit_->placeholders.begin());
    if (found == unit_->placeholders.end()) {
        unit_->placeholders.push_back(name);
        unit_->placeholderPositions.push_back(expr->pos);
    }
    expr->target = Target::Bind;
    expr->path.push_back(std::move(name));
    return expr;
}

} // namespace vexmoor::engine
