#pragma once

#include "Ast.h"
#include "Lexer.h"
#include "OraError.h"

#include <memory>
#include <string_view>

namespace vexmoor::engine {

// Blocks and nesting deeper than this are refused with an error, so that no
// input can exhaust the stack of the parser, the compiler or the interpreter.
inline constexpr int kMaxNesting = 200;
// Oracle's longest name, in bytes; longer ones raise PLS-00114.
inline constexpr std::size_t kMaxIdentifier = 128;

// ORA-06550 "line L, column C:" followed by a PLS error, with the parse
// offset at `pos`.
OraError compileError(const SourcePos& pos, std::string_view plsText);
// The same with Oracle's second note "PL/SQL: Statement ignored" at the
// statement that holds the fault.
OraError compileError(const SourcePos& pos, std::string_view plsText, const SourcePos& statement);

// Recursive-descent parser of PL/SQL. Raises ORA-06550 with PLS-00103 for
// the first token it cannot use.
class Parser {
public:
    explicit Parser(std::string_view source);

    // "[DECLARE ...] BEGIN ... END;" and nothing after it but blanks.
    std::unique_ptr<UnitAst> parseAnonymousBlock();
    // "PROCEDURE name [(params)] IS|AS decls BEGIN ... END [name];"
    std::unique_ptr<UnitAst> parseProcedure();
    // "PACKAGE [BODY] name IS|AS decls [BEGIN ...] END [name];" (Package.cpp)
    std::unique_ptr<UnitAst> parsePackage();
    // For a package body: the TYPE names its header declares, which the
    // body's declarations and signatures may use.
    void knowTypesOf(const Block& header);

private:
    // tokens
    const Token& current() const { return current_; }
    const Token& lookahead();
    Token nextToken();
    void advance();
    bool check(TokenKind kind) const { return current_.kind == kind; }
    bool accept(TokenKind kind);
    void expect(TokenKind kind, std::string_view expected);
    [[noreturn]] void unexpected(std::string_view expected);
    [[noreturn]] void tooDeep();
    [[noreturn]] void unsupported(std::string_view what);
    std::string identifier(std::string_view expected);
    static SourcePos posOf(const Token& token);

    // units and blocks
    void parseEndOfText();
    void parseParameters(UnitAst& unit);
    void parseBlockAfterDeclare(Block& block);
    void parseDeclarations(Block& block);
    void parseDeclaration(Block& block);
    // PRAGMA EXCEPTION_INIT; any other pragma is refused by name.
    void parsePragma(Block& block);
    void parseSubprogram(Block& block);
    void parseTypeDeclaration(Block& block);
    void parseEndName(const UnitAst& unit);
    TypeSpec parseType(bool allowConstraint);
    int parseInteger();
    void parseBody(Block& block);
    void parseHandlers(Block& block);

    // statements
    std::vector<Stmt> parseStatements();
    Stmt parseStatement();
    Stmt parseUnlabelledStatement();
    Stmt parseIf();
    Stmt parseLoop(Stmt stmt);
    Stmt parseFor();
    Stmt parseExit(StmtKind kind);
    Stmt parseReturn();
    Stmt parseRaise();
    Stmt parseNameStatement();
    Stmt parseBindAssignment();
    Stmt parseCaseStatement();
    void endLoop();

    // SQL inside PL/SQL (SqlParser.cpp)
    Stmt parseSqlStatement();
    Stmt parseCursorFor(Stmt stmt);
    void parseSelect(SqlAst& sql, bool withInto);
    void parseReturning(SqlAst& sql);
    void parseQueryBlock(SqlAst& sql, bool withInto);
    void parseCompound(SqlAst& sql);
    void parseOrderBy(SqlAst& sql);
    void parseSqlTable(SqlAst& sql, bool withAlias);
    void parseTableName(std::vector<std::string>& table, std::string& alias, bool withAlias,
                        std::shared_ptr<SqlAst>* view = nullptr);
    void parseJoins(SqlAst& sql);
    void parseGrouping(SqlAst& sql);
    std::unique_ptr<Expr> parseSubquery();
    void parseSqlTail(SqlAst& sql);
    bool atSqlWord(std::string_view upperWord) const;
    std::unique_ptr<Expr> parseAttribute(std::unique_ptr<Expr> name);
    void parseCursorDeclaration(Block& block);
    Stmt parseCursorStatement();
    Stmt parseDeclaredCursorFor(Stmt stmt);
    bool parseAnchoredType(Declaration& declaration);

    // expressions, lowest precedence first
    std::unique_ptr<Expr> parseExpression();
    std::unique_ptr<Expr> parseOr();
    std::unique_ptr<Expr> parseAnd();
    std::unique_ptr<Expr> parseNot();
    std::unique_ptr<Expr> parseComparison();
    std::unique_ptr<Expr> parseMembership(std::unique_ptr<Expr> left, const SourcePos& pos);
    bool atMembership();
    std::unique_ptr<Expr> parseAdditive();
    std::unique_ptr<Expr> parseMultiplicative();
    std::unique_ptr<Expr> parseUnary();
    std::unique_ptr<Expr> parsePower();
    std::unique_ptr<Expr> parsePrimary();
    std::unique_ptr<Expr> parseName();
    void parseSelectorAfterSubscript(Expr& expr);
    void parseVarray(CompositeType& type);
    std::unique_ptr<Expr> parseBind();
    void parseArguments(Expr& call);
    std::unique_ptr<Expr> parseCaseExpression();
    std::unique_ptr<Expr> parseCaseSelector();
    void parseTrimArguments(Expr& call);
    void parseExtractArguments(Expr& call);
    void addArgument(Expr& call, std::string name, std::unique_ptr<Expr> value);
    bool acceptWord(std::string_view word);
    std::unique_ptr<Expr> binary(Operator op, const SourcePos& pos, std::unique_ptr<Expr> left,
                                 std::unique_ptr<Expr> right);
    std::unique_ptr<Expr> unary(Operator op, const SourcePos& pos, std::unique_ptr<Expr> operand);

    struct DepthGuard {
        explicit DepthGuard(Parser& parser);
        ~DepthGuard() { --parser_.depth_; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
        Parser& parser_;
    };

    Lexer lexer_;
    Token current_;
    Token next_;
    bool hasNext_ = false;
    int depth_ = 0;
    UnitAst* unit_ = nullptr;
    const UnitAst* subprogram_ = nullptr; // the local procedure or function being parsed
    // Parsing a package's declarations: END closes them; in a
    // header subprograms are signatures only.
    bool packageLevel_ = false;
    bool packageSpec_ = false;
    // The TYPE names declared so far; the compiler checks their scope.
    std::vector<std::string> typeNames_;
};

// True for the first word of an SQL statement PL/SQL runs (SELECT, INSERT,
// UPDATE, DELETE, COMMIT, ROLLBACK).
bool isSqlStatementWord(std::string_view word);

// The upper-case form of an identifier token's text; a quoted identifier
// keeps its case and loses its quotes.
std::string normalizeIdentifier(const Token& token);
// The text of a 'literal', its doubled quotes single.
std::string unquoteString(std::string_view literal);

} // namespace vexmoor::engine
