#pragma once

#include "Ast.h"
#include "OraError.h"
#include "SessionState.h"
#include "Statement.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace vexmoor::engine {

// A unit ready to run: its syntax tree with every name resolved, and the
// types of its slots (parameters, variables, loop counters).
struct CompiledUnit : std::enable_shared_from_this<CompiledUnit> {
    std::unique_ptr<UnitAst> ast;
    std::string owner;         // the definer; for a block, the session user
    std::string qualifiedName; // OWNER.NAME; empty for an anonymous block
    std::vector<TypeSpec> slotTypes;
    std::vector<bool> slotNotNull;
    bool valid = false;        // a stored procedure whose source compiled
    bool nested = false;       // a local subprogram: its frame links to its declarer's
    bool pending = false;      // declared ahead, its body not yet compiled
    bool publicMember = false; // a package's subprogram its header names
    // A package: the versions of the header and body it was compiled
    // from (body 0: none), and why it cannot run although its header
    // compiled (ORA-04067 no body, ORA-04063 a body with errors).
    std::int64_t specVersion = 0;
    std::int64_t bodyVersion = 0;
    std::optional<OraError> bodyError;
    // The stored units its names were bound to (procedures, functions,
    // packages): a package instance outlives a change of the catalog only
    // while these are unchanged.
    std::vector<const CompiledUnit*> dependencies;
    // What a package's failed compile of its body left, which units compiled
    // meanwhile may point into.
    std::vector<std::unique_ptr<CompiledUnit>> retired;
    // The local subprograms of this unit, at any depth; calls point into them.
    std::vector<std::unique_ptr<CompiledUnit>> locals;
    std::optional<OraError> compileError;
    // The record types of its %ROWTYPE declarations and parameters.
    std::vector<std::shared_ptr<CompositeType>> rowTypes;
    // The unit's declared cursors, numbered as SqlAst::cursor says.
    std::vector<const SqlAst*> cursors;
    // The procedures that calls resolved to are referenced by plain
    // pointers (a procedure may call itself); a block holds the session's
    // compiled procedures of its catalog generation alive through this.
    std::shared_ptr<const void> procedures;
};

// A placeholder of the running block and the caller's buffer behind it.
struct BindSlot {
    Value value;
    BindBuffer buffer;
    bool assigned = false;
};

struct OpenCursor;
struct SqlAst;

struct Frame {
    const CompiledUnit* unit = nullptr;
    std::vector<Value> slots;
    std::uint32_t line = 1;
    Frame* parent = nullptr; // a local subprogram's: the frame of the unit that declares it
    // Explicit cursors open in this frame, by their number in the unit.
    std::map<int, std::shared_ptr<OpenCursor>> cursors;
};

// The frame `up` links out from `frame`, where a name resolved `up` levels out lives.
inline Frame& outerFrame(Frame& frame, std::uint8_t up)
{
    Frame* found = &frame;
    for (; up > 0; --up)
        found = found->parent;
    return *found;
}

inline const Frame& outerFrame(const Frame& frame, std::uint8_t up)
{
    return outerFrame(const_cast<Frame&>(frame), up);
}

// Runs compiled units. One per statement execution; it keeps the error
// being handled (for SQLCODE, SQLERRM and RAISE;) and how deep it runs.
class Interpreter {
public:
    explicit Interpreter(SessionState& state) : state_(state) {}

    // Runs an anonymous block; binds are read from and written to `binds`.
    void run(const CompiledUnit& unit, std::vector<BindSlot>& binds);

    SessionState& state() { return state_; }
    const ConversionContext& conversion() const { return state_.conversion; }

    void assign(Frame& frame, const Expr& target, Value value);
    ValueType targetType(const Frame& frame, const Expr& target) const;

    int sqlCode() const;
    std::string sqlErrm() const;
    // dbms_utility.format_error_stack: the handled error's text and a
    // newline; NULL outside a handler.
    Value errorStack() const;
    // DBMS_UTILITY.FORMAT_ERROR_BACKTRACE: where the error being handled was
    // raised and the calls it came through, an "ORA-06512: at ..." line each,
    // innermost first; NULL outside a handler.
    Value errorBacktrace() const;
    Value sequenceValue(const Expr& expr);
    // An expression evaluated on demand (the lazy arguments of a built-in).
    Value evaluate(Frame& frame, const Expr& expr) { return eval(frame, expr); }

    // What SQL inside PL/SQL needs (EmbeddedSql.cpp).
    const std::vector<BindSlot>& binds() const { return *binds_; }

private:
    enum class Flow { Normal, Exit, Continue, Return };
    // What a loop does after its body ended in `flow`: the next turn, stop,
    // or leave with the flow (a RETURN, or an EXIT or CONTINUE of an outer
    // loop's label).
    enum class LoopStep { Next, Stop, Leave };
    LoopStep afterBody(const Stmt& loop, Flow flow);

    Flow execBlock(Frame& frame, const Block& block);
    Flow execStatements(Frame& frame, const std::vector<Stmt>& statements);
    Flow execStatement(Frame& frame, const Stmt& stmt);
    Flow execIf(Frame& frame, const Stmt& stmt);
    Flow execLoop(Frame& frame, const Stmt& stmt);
    Flow execFor(Frame& frame, const Stmt& stmt);
    Flow execCase(Frame& frame, const Stmt& stmt);
    void append(Frame& frame, const Stmt& stmt);
    void appendOperands(Frame& frame, const Expr& concat, std::size_t base, std::string& tail);
    Flow execSql(Frame& frame, const Stmt& stmt);
    Flow execCursorFor(Frame& frame, const Stmt& stmt);
    Value cursorAttribute(Frame& frame, const Expr& expr);
    Frame& cursorFrame(Frame& frame, const SqlAst& use);
    void openCursor(Frame& frame, const SqlAst& open);
    void fetchCursor(Frame& frame, const SqlAst& fetch);
    void assignInto(Frame& frame, const SqlAst& sql, std::vector<Value> row);
    Value recordOfRow(const CompositeType& recordType, std::vector<Value> row);
    void bulkCollect(Frame& frame, const SqlAst& sql, sqlite3_stmt* stmt,
                     const std::vector<ValueType>& types);
    void closeBlockCursors(Frame& frame, const Block& block);
    Flow runHandler(Frame& frame, const Handler& handler, const OraError& error,
                    std::string backtrace);
    [[noreturn]] void raise(const Frame& frame, const Stmt& stmt);
    const Handler* findHandler(const Block& block, const OraError& error) const;

    Value eval(Frame& frame, const Expr& expr);
    Value evalBinary(Frame& frame, const Expr& expr);
    Value evalUnary(Frame& frame, const Expr& expr);
    Value evalLogical(Frame& frame, const Expr& expr);
    Value evalMembership(Frame& frame, const Expr& expr);
    Value evalCase(Frame& frame, const Expr& expr);
    bool caseMatches(Frame& frame, const Value* selector, const Expr& when);
    std::optional<int> compare(const Value& left, const Value& right) const;
    Value callBuiltin(Frame& frame, const Expr& expr);
    // Records and collections (InterpreterComposite.cpp).
    Value evalMember(Frame& frame, const Expr& expr);
    Value evalConstructor(Frame& frame, const Expr& expr);
    void callMember(Frame& frame, const Expr& expr);
    void assignMember(Frame& frame, const Expr& target, Value value);
    // Each argument's value, in order (a call's arguments, a selector's subscripts).
    std::vector<Value> evaluateAll(Frame& frame, const std::vector<Argument>& arguments);
    Value callProcedure(Frame& frame, const Expr& expr);
    // The frame of the slot a name is bound to: a frame around the running
    // one, or the session's instance of a package (PackageInstance.cpp).
    Frame& frameOf(Frame& frame, const Expr& expr);
    Frame& packageFrame(const CompiledUnit& package);
    Frame& instantiate(const CompiledUnit& package);
    std::optional<bool> condition(Frame& frame, const Expr& expr);

    void checkStack() const;
    void countStep();
    bool isPlsInteger(const Frame& frame, const Expr& expr) const;
    Value integerResult(const Frame& frame, const Expr& expr, double result) const;

    struct Handled {
        OraError error;
        const Declaration* user;
        std::string backtrace;
    };

    SessionState& state_;
    std::vector<BindSlot>* binds_ = nullptr;
    // The compiled stored units of the running block's catalog generation.
    std::shared_ptr<const void> procedures_;
    std::vector<Handled> handling_;
    const Declaration* raisedUser_ = nullptr;
    // The label of the loop the EXIT or CONTINUE under way is for; none for
    // the innermost.
    const std::string* jumpLabel_ = nullptr;
    const char* stackBase_ = nullptr;
    std::uint64_t steps_ = 0;
    Value returned_; // what the running function's RETURN gave
    // SQL%ROWCOUNT of the last SQL statement; none before the first.
    std::optional<std::int64_t> sqlRowCount_;
};

// Converts a value to a declared type and checks its constraint: ORA-06502
// for a text longer than VARCHAR2(n), a number beyond NUMBER(p,s), a NULL
// for NOT NULL.
Value coerce(const TypeSpec& type, Value value, const ConversionContext& context);

// The message of an error without the ORA-06512 lines under it (SQLERRM).
std::string errorBase(const std::string& message);

} // namespace vexmoor::engine
