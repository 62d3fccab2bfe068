#pragma once

#include "Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexmoor::engine {

// The syntax tree of a PL/SQL unit. The parser builds it; the compiler then
// fills in the "resolved" fields (slots, built-ins, called procedures) in
// place, so that running it needs no name look-ups.

struct SourcePos {
    std::uint32_t line = 1;
    std::uint32_t column = 1;
    std::uint32_t offset = 0;
};

// A declared type with its constraint.
struct CompositeType;

struct TypeSpec {
    ValueType type = ValueType::Number;
    // A type declared by TYPE: its name until the compiler resolves it.
    std::string typeName;
    SourcePos typePos;
    const CompositeType* composite = nullptr;
    bool integer = false;       // INTEGER, PLS_INTEGER, NUMBER(p) and NUMBER(p,0)
    bool binaryInteger = false; // PLS_INTEGER and its kind: 32 bits, ORA-01426 beyond
    int length = -1;            // VARCHAR2(n), RAW(n): most bytes; -1 none
    int precision = -1;         // NUMBER(p,s)
    int scale = 0;
};

enum class ExprKind : std::uint8_t {
    Literal,
    Name, // a.b.c, maybe called: a.b(args)
    Bind, // :name
    Unary,
    Binary,
    Case,            // left: selector or null; args: WHEN, THEN, WHEN, THEN...; right: ELSE or null
    CursorAttribute, // SQL%ROWCOUNT: path = {"SQL", "ROWCOUNT"}
    Subquery,        // (SELECT ...) inside SQL: `query`
};

enum class Operator : std::uint8_t {
    Add,
    Subtract,
    Multiply,
    Divide,
    Power,
    Mod,
    Concat,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    And,
    Or,
    Not,
    Negate,
    Plus,
    IsNull,
    IsNotNull,
    Between, // left BETWEEN args[0] AND args[1]
    In,      // left IN (args...)
    Like,    // left LIKE right [ESCAPE args[0]]
};

struct Expr;
struct SqlAst;
struct BuiltinDef;
struct CompiledUnit;

struct Argument {
    std::string name; // upper case; empty for a positional argument
    SourcePos pos;
    std::unique_ptr<Expr> value;
};

// What a name in an expression or a call statement turned out to be.
// Member: a record field, collection element or collection method of a
// variable (see Expr::member); Construct: a nested table's constructor.
// Sequence: seq.NEXTVAL or seq.CURRVAL, its path made {OWNER, NAME, NEXTVAL|CURRVAL}.
enum class Target : std::uint8_t {
    Unresolved,
    Slot,
    Bind,
    Builtin,
    Procedure,
    Member,
    Construct,
    Sequence
};

// How a Member expression reaches into its variable: fields and elements in
// turn (a subscript followed by more selectors: Expr::subscripts), then an
// element (the call's first argument) or a collection method.
struct MemberStep {
    int field = -1;                  // a record's field, or -1 for an element
    const Expr* subscript = nullptr; // the element's subscript
};

struct MemberAccess {
    std::vector<MemberStep> steps;
    bool element = false;
    int method = -1; // a CollectionMethod, -1 none
    TypeSpec type;   // of what it reaches
};

struct Expr {
    ExprKind kind = ExprKind::Literal;
    Operator op = Operator::Add;
    SourcePos pos;
    std::uint32_t depth = 1; // of the tree under this node, bounded by the parser
    Value literal;
    std::vector<std::string> path; // Name: upper-case parts; Bind: its name
    std::vector<Argument> args;    // call arguments; the operands of BETWEEN, IN, LIKE
    // Subscripts followed by more selectors (t(i).f): each stands in `path`
    // as an empty part.
    std::vector<Argument> subscripts;
    bool hasParens = false;
    bool integerLiteral =
        false; // digits only and within PLS_INTEGER: PL/SQL computes with it in 32 bits
    std::unique_ptr<Expr> left;
    std::unique_ptr<Expr> right;
    std::shared_ptr<SqlAst> query; // Subquery

    // Resolved by the compiler.
    Target target = Target::Unresolved;
    int index = -1;      // slot or bind number
    std::uint8_t up = 0; // Slot, local Procedure: enclosing frames out from the running one
    const BuiltinDef* builtin = nullptr;
    const CompiledUnit* procedure = nullptr; // kept alive by the unit that runs (see CompiledUnit)
    std::vector<const Expr*> ordered;        // arguments in parameter order; null = default
    std::unique_ptr<MemberAccess> member;
    const CompositeType* constructs = nullptr; // Construct
    // A member of a package named from outside it (pkg.v, pkg.p(...)): its
    // slot lives in the session's instance of that package.
    const CompiledUnit* package = nullptr;
};

struct Declaration;

struct ExceptionRef {
    int code = 0;                      // Oracle error number (positive), 0 for a user exception
    const Declaration* user = nullptr; // a declared EXCEPTION
};

struct Stmt;
struct Block;
struct SqlAst; // SqlAst.h

struct IfBranch {
    std::unique_ptr<Expr> condition;
    std::vector<Stmt> body;
};

// Case: value is the selector or null; branches hold WHEN and its statements.
enum class StmtKind : std::uint8_t {
    Null,
    Assign,
    Call,
    If,
    Loop,
    While,
    For,
    Exit,
    Continue,
    Return,
    Raise,
    Block,
    Case,
    Sql,       // SELECT INTO, INSERT, UPDATE, DELETE, COMMIT, ROLLBACK: `sql`
    CursorFor, // FOR name IN (SELECT ...) LOOP: `sql`, `name`, `body`
};

struct Stmt {
    StmtKind kind = StmtKind::Null;
    SourcePos pos;
    std::unique_ptr<Expr> target; // Assign: the variable; Call: the call
    std::unique_ptr<Expr>
        value; // Assign, a function's Return, Exit/Continue WHEN, While, For's low bound
    std::unique_ptr<Expr> high;     // For's high bound
    std::vector<IfBranch> branches; // If
    std::vector<Stmt> body;         // loops; If's ELSE part
    bool hasElse = false;
    bool reverse = false;
    // Assign of v := v || e...: e... appended to v in place (the compiler
    // decides when that cannot differ from building the whole value).
    bool appends = false;
    std::string name; // For's variable; Raise's exception; the loop label of Exit/Continue
    std::vector<std::string> labels; // <<label>>s written before the statement
    SourcePos namePos;
    int slot = -1;                // For's variable
    ExceptionRef exception;       // Raise
    std::unique_ptr<Block> block; // Block
    std::shared_ptr<SqlAst> sql;  // Sql, CursorFor
};

struct Declaration {
    std::string name; // upper case
    SourcePos pos;
    CompositeType* typeDeclaration = nullptr; // a TYPE declaration: no variable
    TypeSpec type;
    bool constant = false;
    bool notNull = false;
    bool isException = false;
    int exceptionCode = 0; // PRAGMA EXCEPTION_INIT: the Oracle error it stands for
    std::unique_ptr<Expr> init;
    int slot = -1;                  // -1 for an exception or a cursor
    std::shared_ptr<SqlAst> cursor; // CURSOR name [(params)] IS query
    // name table%ROWTYPE / cursor%ROWTYPE, or name x%TYPE: what it is anchored to
    std::vector<std::string> anchor;
    bool rowType = false;
};

struct HandlerName {
    std::vector<std::string> path;
    SourcePos pos;
    ExceptionRef resolved;
};

struct Handler {
    std::vector<HandlerName> names;
    bool others = false;
    std::vector<Stmt> body;
};

struct UnitAst;

struct Block {
    SourcePos pos;
    std::vector<Declaration> declarations;
    // Local procedures and functions, after the declarations; the compiler
    // takes them over (CompiledUnit::locals).
    std::vector<std::unique_ptr<UnitAst>> subprograms;
    std::vector<std::shared_ptr<CompositeType>>
        types; // TYPE declarations; Declaration::typeDeclaration points here
    std::vector<Stmt> body;
    std::vector<Handler> handlers;
};

enum class ParamMode : std::uint8_t { In, Out, InOut };

struct Parameter {
    std::string name; // upper case
    SourcePos pos;
    ParamMode mode = ParamMode::In;
    TypeSpec type;
    std::unique_ptr<Expr> defaultValue;
    int slot = -1;
};

// An anonymous block, a stored procedure's or function's source, or a
// package: its header's declarations first, then its body's; the
// body's statements are the package's initialisation.
struct UnitAst {
    bool isProcedure = false; // a stored unit: no binds
    bool isFunction = false;  // returnType holds its type
    bool isPackage = false;
    bool isPackageBody = false;
    bool forward = false;    // PROCEDURE p(...); : its signature only
    bool fromHeader = false; // a package's subprogram named in its header
    // A package: how many declarations and subprograms its header
    // holds (the first ones of the block); the rest are the body's.
    std::size_t publicDeclarations = 0;
    std::size_t publicSubprograms = 0;
    TypeSpec returnType;
    std::string name; // procedure: upper case
    SourcePos namePos;
    std::vector<Parameter> parameters;
    Block block;
    // Anonymous block: the placeholders, upper case without the colon, in
    // order of first use; Bind expressions index into it.
    std::vector<std::string> placeholders;
    std::vector<SourcePos> placeholderPositions;
};

} // namespace vexmoor::engine
