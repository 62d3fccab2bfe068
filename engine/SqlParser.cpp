// The SQL statements PL/SQL runs: their syntax, read with the parser's own
// expression grammar (SQL's expressions are PL/SQL's, less a few forms).

#include "Parser.h"
#include "SqlAst.h"

#include <array>

namespace vexmoor::engine {

namespace {

constexpr std::array kSqlStatementWords{"SELECT", "INSERT", "UPDATE",
                                        "DELETE", "COMMIT", "ROLLBACK"};

// Words that end a select item or a table reference, so they are never taken
// for an alias.
constexpr std::array kClauseWords{"INTO",    "FROM",  "WHERE", "ORDER",   "GROUP",     "HAVING",
                                  "CONNECT", "START", "UNION", "MINUS",   "INTERSECT", "SET",
                                  "VALUES",  "BULK",  "JOIN",  "NATURAL", "LEFT",      "RIGHT",
                                  "INNER",   "CROSS", "FULL",  "ON",      "USING",     "OUTER"};

bool isClauseWord(std::string_view word)
{
    for (const std::string_view clause : kClauseWords) {
        if (equalsKeyword(word, clause))
            return true;
    }
    return false;
}

} // namespace

bool isSqlStatementWord(std::string_view word)
{
    for (const std::string_view sql : kSqlStatementWords) {
        if (equalsKeyword(word, sql))
            return true;
    }
    return false;
}

bool Parser::atSqlWord(std::string_view upperWord) const
{
    return check(TokenKind::Identifier) && equalsKeyword(current_.text, upperWord);
}

Stmt Parser::parseSqlStatement()
{
    Stmt stmt;
    stmt.kind = StmtKind::Sql;
    stmt.pos = posOf(current_);
    auto sql = std::make_shared<SqlAst>();
    sql->pos = stmt.pos;
    const std::string word = normalizeIdentifier(current_);
    if (word == "SELECT") {
        parseSelect(*sql, true);
    } else if (word == "COMMIT" || word == "ROLLBACK") {
        sql->kind = word == "COMMIT" ? SqlKind::Commit : SqlKind::Rollback;
        advance();
        if (atSqlWord("WORK"))
            advance();
        if (atSqlWord("TO") || atSqlWord("FORCE") || atSqlWord("COMMENT") || atSqlWord("WRITE"))
            unsupported(word + " " + normalizeIdentifier(current_) + " is not supported");
    } else if (word == "INSERT") {
        sql->kind = SqlKind::Insert;
        advance();
        if (!atSqlWord("INTO"))
            unexpected("into");
        advance();
        parseSqlTable(*sql, false);
        if (accept(TokenKind::LeftParen)) {
            do
                sql->columns.push_back(identifier("<an identifier>"));
            while (accept(TokenKind::Comma));
            expect(TokenKind::RightParen, ") ,");
        }
        if (atSqlWord("SELECT"))
            unsupported("INSERT ... SELECT is not supported");
        if (!atSqlWord("VALUES"))
            unexpected("values");
        advance();
        expect(TokenKind::LeftParen, "(");
        do
            sql->values.push_back(parseExpression());
        while (accept(TokenKind::Comma));
        expect(TokenKind::RightParen, ") ,");
    } else if (word == "UPDATE") {
        sql->kind = SqlKind::Update;
        advance();
        parseSqlTable(*sql, true);
        if (!atSqlWord("SET"))
            unexpected("set");
        advance();
        do {
            sql->columns.push_back(identifier("<an identifier>"));
            if (check(TokenKind::Dot))
                unsupported("qualified column names in SET are not supported");
            expect(TokenKind::Equal, "=");
            sql->values.push_back(parseExpression());
        } while (accept(TokenKind::Comma));
        parseSqlTail(*sql);
    } else {
        sql->kind = SqlKind::Delete;
        advance();
        if (atSqlWord("FROM"))
            advance();
        parseSqlTable(*sql, true);
        parseSqlTail(*sql);
    }
    if (atSqlWord("RETURNING") || atSqlWord("RETURN"))
        parseReturning(*sql);
    expect(TokenKind::Semicolon, ";");
    stmt.sql = std::move(sql);
    return stmt;
}

// RETURNING e, ... INTO target, ...: the changed row's values, kept as the
// statement's items.
void Parser::parseReturning(SqlAst& sql)
{
    advance(); // RETURNING
    do {
        SqlSelectItem item;
        item.expr = parseExpression();
        sql.items.push_back(std::move(item));
    } while (accept(TokenKind::Comma));
    if (atSqlWord("BULK"))
        unsupported("RETURNING ... BULK COLLECT is not supported");
    if (!atSqlWord("INTO"))
        unexpected("into");
    advance();
    do
        sql.into.push_back(check(TokenKind::BindVariable) ? parseBind() : parseName());
    while (accept(TokenKind::Comma));
}

void Parser::parseSelect(SqlAst& sql, bool withInto)
{
    parseQueryBlock(sql, withInto);
    parseCompound(sql);
    parseOrderBy(sql);
    for (const std::string_view clause : {"FOR", "OFFSET", "FETCH"}) {
        if (atSqlWord(clause) || (clause == "FOR" && check(TokenKind::KwFor)))
            unsupported(std::string(clause) + " is not supported in a query");
    }
}

// One SELECT up to its ORDER BY: items, INTO, FROM and joins, WHERE, groups.
void Parser::parseQueryBlock(SqlAst& sql, bool withInto)
{
    sql.kind = SqlKind::Select;
    advance(); // SELECT
    if (atSqlWord("DISTINCT") || atSqlWord("UNIQUE")) {
        sql.distinct = true;
        advance();
    } else if (atSqlWord("ALL"))
        advance();
    do {
        SqlSelectItem item;
        if (!accept(TokenKind::Star)) {
            item.expr = parseExpression();
            if (accept(TokenKind::KwAs))
                item.alias = identifier("<an identifier>");
            else if ((check(TokenKind::Identifier) && !isClauseWord(current_.text))
                     || check(TokenKind::QuotedIdentifier))
                item.alias = identifier("<an identifier>");
        }
        sql.items.push_back(std::move(item));
    } while (accept(TokenKind::Comma));
    if (withInto && atSqlWord("BULK")) {
        advance();
        if (!atSqlWord("COLLECT"))
            unexpected("collect");
        advance();
        sql.bulk = true;
    } else if (atSqlWord("BULK")) {
        unsupported("BULK COLLECT in a cursor's query is not supported");
    }
    if (withInto) {
        if (!atSqlWord("INTO"))
            unexpected("into");
        advance();
        do
            sql.into.push_back(check(TokenKind::BindVariable) ? parseBind() : parseName());
        while (accept(TokenKind::Comma));
    } else if (atSqlWord("INTO")) {
        unsupported("INTO in a cursor's query");
    }
    if (!atSqlWord("FROM"))
        unexpected("from");
    advance();
    parseTableName(sql.table, sql.alias, true, &sql.view);
    parseJoins(sql);
    parseSqlTail(sql);
    parseGrouping(sql);
}

// UNION [ALL], INTERSECT and MINUS, taken left to right as Oracle does.
void Parser::parseCompound(SqlAst& sql)
{
    for (;;) {
        SqlSetBranch branch;
        if (atSqlWord("UNION")) {
            advance();
            branch.op = "UNION";
            if (atSqlWord("ALL")) {
                advance();
                branch.op = "UNION ALL";
            }
        } else if (atSqlWord("INTERSECT") || atSqlWord("MINUS")) {
            branch.op = atSqlWord("MINUS") ? "EXCEPT" : "INTERSECT";
            advance();
        } else {
            return;
        }
        if (check(TokenKind::LeftParen))
            unsupported("a query in parentheses after UNION, INTERSECT or MINUS is not supported");
        if (!atSqlWord("SELECT"))
            unexpected("select");
        branch.query = std::make_shared<SqlAst>();
        branch.query->pos = posOf(current_);
        parseQueryBlock(*branch.query, false);
        sql.compound.push_back(std::move(branch));
    }
}

void Parser::parseOrderBy(SqlAst& sql)
{
    if (!atSqlWord("ORDER"))
        return;
    advance();
    expect(TokenKind::KwBy, "by");
    do {
        SqlOrder order;
        order.expr = parseExpression();
        if (atSqlWord("DESC")) {
            order.descending = true;
            advance();
        } else if (atSqlWord("ASC")) {
            advance();
        }
        if (atSqlWord("NULLS"))
            unsupported("NULLS FIRST and NULLS LAST are not supported");
        sql.orderBy.push_back(std::move(order));
    } while (accept(TokenKind::Comma));
}

void Parser::parseSqlTable(SqlAst& sql, bool withAlias)
{
    parseTableName(sql.table, sql.alias, withAlias);
}

// A table, or in a query's FROM (`view` given) a subquery: an inline view.
void Parser::parseTableName(std::vector<std::string>& table, std::string& alias, bool withAlias,
                            std::shared_ptr<SqlAst>* view)
{
    if (check(TokenKind::LeftParen)) {
        if (!view)
            unsupported("a subquery as the table of a change is not supported");
        advance();
        if (!atSqlWord("SELECT"))
            unexpected("select");
        DepthGuard guard(*this);
        *view = std::make_shared<SqlAst>();
        (*view)->pos = posOf(current_);
        parseSelect(**view, false);
        expect(TokenKind::RightParen, ")");
    } else {
        table.push_back(identifier("<an identifier>"));
        if (accept(TokenKind::Dot))
            table.push_back(identifier("<an identifier>"));
        if (check(TokenKind::Dot) || check(TokenKind::BindVariable))
            unsupported("database links are not supported");
    }
    if (withAlias
        && ((check(TokenKind::Identifier) && !isClauseWord(current_.text))
            || check(TokenKind::QuotedIdentifier)))
        alias = identifier("<an identifier>");
}

// Joins: `, t [alias]` (its condition in WHERE), `CROSS JOIN t [alias]`,
// `[INNER | LEFT [OUTER] | RIGHT [OUTER] | FULL [OUTER]] JOIN t [alias] ON
// condition`; NATURAL joins and USING are refused.
void Parser::parseJoins(SqlAst& sql)
{
    for (;;) {
        SqlJoin join;
        if (accept(TokenKind::Comma)) {
            join.how = ",";
            parseTableName(join.table, join.alias, true, &join.view);
            sql.joins.push_back(std::move(join));
            continue;
        }
        if (atSqlWord("NATURAL"))
            unsupported("NATURAL joins are not supported");
        if (atSqlWord("CROSS")) {
            join.how = "CROSS JOIN";
        } else if (atSqlWord("INNER")) {
            join.how = "JOIN";
        } else {
            for (const std::string_view side : {"LEFT", "RIGHT", "FULL"}) {
                if (atSqlWord(side))
                    join.how = std::string(side) + " JOIN";
            }
        }
        if (join.how.empty() && !atSqlWord("JOIN"))
            return;
        if (!join.how.empty()) {
            advance();
            if (join.how != "JOIN" && join.how != "CROSS JOIN" && atSqlWord("OUTER"))
                advance();
        } else {
            join.how = "JOIN";
        }
        if (!atSqlWord("JOIN"))
            unexpected("join");
        advance();
        parseTableName(join.table, join.alias, true, &join.view);
        if (join.how != "CROSS JOIN") {
            if (atSqlWord("USING"))
                unsupported("JOIN ... USING is not supported");
            if (!atSqlWord("ON"))
                unexpected("on");
            advance();
            join.on = parseExpression();
        }
        sql.joins.push_back(std::move(join));
    }
}

void Parser::parseGrouping(SqlAst& sql)
{
    if (atSqlWord("GROUP")) {
        advance();
        expect(TokenKind::KwBy, "by");
        do
            sql.groupBy.push_back(parseExpression());
        while (accept(TokenKind::Comma));
    }
    if (atSqlWord("HAVING")) {
        if (sql.groupBy.empty())
            unsupported("HAVING without GROUP BY is not supported");
        advance();
        sql.having = parseExpression();
    }
}

// SELECT ... inside parentheses of SQL: a scalar subquery, IN (SELECT ...),
// EXISTS (SELECT ...).
std::unique_ptr<Expr> Parser::parseSubquery()
{
    DepthGuard guard(*this);
    auto expr = std::make_unique<Expr>();
    expr->kind = ExprKind::Subquery;
    expr->pos = posOf(current_);
    expr->query = std::make_shared<SqlAst>();
    expr->query->pos = expr->pos;
    // Only a query of its own (a cursor, an inline view) may be ordered.
    parseQueryBlock(*expr->query, false);
    parseCompound(*expr->query);
    if (atSqlWord("ORDER"))
        throw compileError(posOf(current_), "PL/SQL: ORA-00907: missing right parenthesis");
    return expr;
}

// WHERE, and the clauses the engine refuses by name.
void Parser::parseSqlTail(SqlAst& sql)
{
    if (atSqlWord("WHERE")) {
        advance();
        if (atSqlWord("CURRENT"))
            unsupported("WHERE CURRENT OF is not supported");
        sql.where = parseExpression();
    }
    for (const std::string_view clause : {"CONNECT", "START"}) {
        if (atSqlWord(clause))
            unsupported(std::string(clause) + " is not supported in a query");
    }
}

Stmt Parser::parseCursorFor(Stmt stmt)
{
    stmt.kind = StmtKind::CursorFor;
    if (stmt.reverse)
        unexpected("(");
    advance(); // (
    auto sql = std::make_shared<SqlAst>();
    sql->pos = posOf(current_);
    parseSelect(*sql, false);
    expect(TokenKind::RightParen, ")");
    stmt.sql = std::move(sql);
    return parseLoop(std::move(stmt));
}

std::unique_ptr<Expr> Parser::parseAttribute(std::unique_ptr<Expr> name)
{
    advance(); // %
    const SourcePos pos = posOf(current_);
    const std::string attribute = identifier("<an identifier>");
    if (name->path.size() > 3
        || (attribute != "ROWCOUNT" && attribute != "FOUND" && attribute != "NOTFOUND"
            && attribute != "ISOPEN"))
        throw compileError(pos,
                           "PLS-00999: implementation restriction (may be temporary) attribute %"
                               + attribute + " of " + name->path[0] + " is not supported");
    name->kind = ExprKind::CursorAttribute;
    name->path.push_back(attribute);
    return name;
}

void Parser::parseCursorDeclaration(Block& block)
{
    advance(); // CURSOR
    Declaration declaration;
    declaration.pos = posOf(current_);
    declaration.name = identifier("<an identifier>");
    for (const auto& other : block.declarations) {
        if (other.name == declaration.name)
            throw compileError(declaration.pos, "PLS-00371: at most one declaration for '"
                                                    + declaration.name + "' is permitted");
    }
    auto sql = std::make_shared<SqlAst>();
    if (accept(TokenKind::LeftParen)) {
        do {
            Parameter parameter;
            parameter.pos = posOf(current_);
            parameter.name = identifier("<an identifier>");
            accept(TokenKind::KwIn);
            if (check(TokenKind::KwOut))
                unexpected("in <a type>");
            parameter.type = parseType(false);
            if (accept(TokenKind::Assign) || accept(TokenKind::KwDefault))
                parameter.defaultValue = parseExpression();
            sql->parameters.push_back(std::move(parameter));
        } while (accept(TokenKind::Comma));
        expect(TokenKind::RightParen, ") ,");
    }
    if (check(TokenKind::KwReturn))
        unsupported("a cursor's RETURN clause is not supported");
    expect(TokenKind::KwIs, "is");
    sql->pos = posOf(current_);
    if (!atSqlWord("SELECT"))
        unexpected("select");
    parseSelect(*sql, false);
    expect(TokenKind::Semicolon, ";");
    declaration.cursor = std::move(sql);
    block.declarations.push_back(std::move(declaration));
}

Stmt Parser::parseCursorStatement()
{
    Stmt stmt;
    stmt.kind = StmtKind::Sql;
    stmt.pos = posOf(current_);
    auto sql = std::make_shared<SqlAst>();
    sql->pos = stmt.pos;
    const std::string word = normalizeIdentifier(current_);
    advance();
    if (word == "EXECUTE") {
        if (!atSqlWord("IMMEDIATE"))
            unexpected("immediate");
        advance();
        sql->kind = SqlKind::Execute;
        sql->values.push_back(parseExpression());
        if (atSqlWord("USING") || atSqlWord("INTO") || atSqlWord("BULK") || atSqlWord("RETURNING"))
            unsupported("EXECUTE IMMEDIATE ... " + normalizeIdentifier(current_)
                        + " is not supported");
        expect(TokenKind::Semicolon, ";");
        stmt.sql = std::move(sql);
        return stmt;
    }
    sql->kind = word == "OPEN" ? SqlKind::Open : word == "FETCH" ? SqlKind::Fetch : SqlKind::Close;
    sql->cursorPos = posOf(current_);
    sql->cursorName = identifier("<an identifier>");
    while (accept(TokenKind::Dot)) // pkg.c
        sql->cursorName += "." + identifier("<an identifier>");
    if (sql->kind == SqlKind::Open) {
        if (atSqlWord("FOR"))
            unsupported("cursor variables are not supported");
        if (accept(TokenKind::LeftParen)) {
            do
                sql->values.push_back(parseExpression());
            while (accept(TokenKind::Comma));
            expect(TokenKind::RightParen, ") ,");
        }
    } else if (sql->kind == SqlKind::Fetch) {
        if (atSqlWord("BULK"))
            unsupported("BULK COLLECT is not supported");
        if (!atSqlWord("INTO"))
            unexpected("into");
        advance();
        do
            sql->into.push_back(check(TokenKind::BindVariable) ? parseBind() : parseName());
        while (accept(TokenKind::Comma));
    }
    expect(TokenKind::Semicolon, ";");
    stmt.sql = std::move(sql);
    return stmt;
}

Stmt Parser::parseDeclaredCursorFor(Stmt stmt)
{
    stmt.kind = StmtKind::CursorFor;
    auto sql = std::make_shared<SqlAst>();
    sql->kind = SqlKind::Open;
    sql->pos = stmt.value->pos;
    sql->cursorPos = stmt.value->pos;
    for (const auto& part : stmt.value->path)
        sql->cursorName += (sql->cursorName.empty() ? "" : ".") + part;
    for (auto& argument : stmt.value->args) {
        if (!argument.name.empty())
            unsupported("named cursor arguments are not supported");
        sql->values.push_back(std::move(argument.value));
    }
    stmt.value.reset();
    stmt.sql = std::move(sql);
    return parseLoop(std::move(stmt));
}

// name table%ROWTYPE, name cursor%ROWTYPE, name [owner.]table.column%TYPE,
// name variable%TYPE.
bool Parser::parseAnchoredType(Declaration& declaration)
{
    if (!check(TokenKind::Identifier) && !check(TokenKind::QuotedIdentifier))
        return false;
    if (lookahead().kind != TokenKind::Dot && lookahead().kind != TokenKind::Percent)
        return false;
    // dbms_output.chararr names a type, not a column.
    if (check(TokenKind::Identifier) && equalsKeyword(current_.text, "DBMS_OUTPUT"))
        return false;
    const Token first = current_;
    declaration.anchor.push_back(identifier("<an identifier>"));
    while (accept(TokenKind::Dot))
        declaration.anchor.push_back(identifier("<an identifier>"));
    if (!check(TokenKind::Percent)) {
        // pkg.t: a package's type
        std::string name = declaration.anchor.front();
        for (std::size_t i = 1; i < declaration.anchor.size(); ++i)
            name += "." + declaration.anchor[i];
        declaration.anchor.clear();
        declaration.type.type = ValueType::Composite;
        declaration.type.typeName = std::move(name);
        declaration.type.typePos = posOf(first);
        return true;
    }
    expect(TokenKind::Percent, "%");
    const std::string attribute = identifier("type rowtype");
    if (attribute == "ROWTYPE")
        declaration.rowType = true;
    else if (attribute != "TYPE")
        unexpected("type rowtype");
    if (declaration.rowType && declaration.anchor.size() > 2)
        unexpected("type");
    if (!declaration.rowType && declaration.anchor.size() > 3)
        unexpected("rowtype");
    return true;
}

} // namespace vexmoor::engine
