#pragma once

#include "Ast.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vexmoor::engine {

// An SQL statement written inside PL/SQL. Its expressions are PL/SQL
// expressions as the parser reads them; the compiler resolves the names that
// are PL/SQL variables, and what is left is resolved against the table when
// the statement runs (a column wins over a variable of the same name, as in
// Oracle).

enum class SqlKind : std::uint8_t {
    Select,
    Insert,
    Update,
    Delete,
    Commit,
    Rollback,
    Open,
    Fetch,
    Close,
    Execute
};

struct SqlSelectItem {
    std::unique_ptr<Expr> expr; // null for *
    std::string alias;          // upper case; empty when none
};

struct SqlAst;

// A table after the first of a query: `, t alias`, `CROSS JOIN t alias` or
// `[INNER | LEFT | RIGHT | FULL] JOIN t alias ON cond`.
struct SqlJoin {
    std::string how; // SQLite's words for it: ",", "JOIN", "LEFT JOIN", ...
    std::vector<std::string> table;
    std::string alias;
    std::shared_ptr<SqlAst> view; // a subquery in place of the table
    std::unique_ptr<Expr> on;     // null for a comma or CROSS JOIN
};

// A query after the first of a compound: `UNION [ALL] | INTERSECT | MINUS
// query`, its operator in SQLite's words.
struct SqlSetBranch {
    std::string op; // "UNION", "UNION ALL", "INTERSECT", "EXCEPT"
    std::shared_ptr<SqlAst> query;
};

struct SqlOrder {
    std::unique_ptr<Expr> expr;
    bool descending = false;
};

struct SqlAst {
    SqlKind kind = SqlKind::Select;
    SourcePos pos;
    std::vector<SqlSelectItem> items;        // SELECT
    std::vector<std::unique_ptr<Expr>> into; // SELECT ... INTO targets
    // SELECT ... BULK COLLECT INTO: each target's collection type, one per
    // target (the compiler fills it in).
    bool bulk = false;
    std::vector<const CompositeType*> bulkTypes;
    // INTO one record: the row's columns are its fields
    const CompositeType* intoRecord = nullptr;
    std::vector<std::string> table; // [owner, ]name; empty: no FROM
    std::string alias;              // the table's alias, upper case
    std::shared_ptr<SqlAst> view;   // a query's inline view in place of `table`
    std::vector<SqlJoin> joins;     // a query's further tables
    std::unique_ptr<Expr> where;
    bool distinct = false;
    std::vector<std::unique_ptr<Expr>> groupBy;
    std::unique_ptr<Expr> having;
    std::vector<SqlSetBranch> compound; // the queries joined to this one, in order
    std::vector<SqlOrder> orderBy;      // of the whole compound when there is one
    std::vector<std::string> columns;   // INSERT's column list; UPDATE's SET columns
    std::vector<std::unique_ptr<Expr>>
        values; // INSERT's VALUES; UPDATE's SET values; EXECUTE IMMEDIATE's text
    // A declared cursor's parameters; OPEN, FETCH, CLOSE and a FOR loop over
    // a declared cursor: its name, its arguments in `values`, FETCH's
    // targets in `into`; the compiler sets `cursor` to its number in the unit.
    std::vector<Parameter> parameters;
    std::string cursorName; // c or pkg.c
    SourcePos cursorPos;
    int cursor = -1;
    // Where the cursor's frame is: frames out from the running one, or the
    // session's instance of a package.
    std::uint8_t cursorUp = 0;
    const CompiledUnit* cursorPackage = nullptr;
};

// An open explicit cursor of a frame: its rows are read when it opens, so
// that it sees the data as they were then, as Oracle's cursors do.
struct OpenCursor {
    std::vector<std::string> names;
    std::vector<ValueType> types;
    std::vector<std::vector<Value>> rows;
    std::size_t fetched = 0;
    bool found = false;
    bool fetchedAny = false;
};

} // namespace vexmoor::engine
