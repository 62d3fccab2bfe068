#include "Compiler.h"

#include "Builtins.h"
#include "Composite.h"
#include "Parser.h"
#include "SqlAst.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string_view>

namespace vexmoor::engine {

namespace {

struct PredefinedException {
    std::string_view name;
    int code;
};

constexpr std::array kPredefinedExceptions{
    PredefinedException{"NO_DATA_FOUND", 1403}, PredefinedException{"VALUE_ERROR", 6502},
    PredefinedException{"ZERO_DIVIDE", 1476},   PredefinedException{"INVALID_NUMBER", 1722},
    PredefinedException{"TOO_MANY_ROWS", 1422}, PredefinedException{"PROGRAM_ERROR", 6501},
    PredefinedException{"STORAGE_ERROR", 6500}, PredefinedException{"CASE_NOT_FOUND", 6592},
    PredefinedException{"LOGIN_DENIED", 1017},  PredefinedException{"NOT_LOGGED_ON", 1012},
    PredefinedException{"DUP_VAL_ON_INDEX", 1}, PredefinedException{"TIMEOUT_ON_RESOURCE", 51},
};

// Whether evaluating an expression can change a variable: only calls of
// stored or local subprograms, and built-ins with OUT parameters, can.
bool leavesVariablesAlone(const Expr& expr)
{
    if (expr.kind == ExprKind::Name) {
        if (expr.target == Target::Procedure)
            return false;
        if (expr.target == Target::Builtin && expr.builtin) {
            for (const auto& param : expr.builtin->params) {
                if (param.mode != ParamMode::In)
                    return false;
            }
        }
    }
    for (const auto* arguments : {&expr.args, &expr.subscripts}) {
        for (const auto& argument : *arguments) {
            if (argument.value && !leavesVariablesAlone(*argument.value))
                return false;
        }
    }
    return (!expr.left || leavesVariablesAlone(*expr.left))
           && (!expr.right || leavesVariablesAlone(*expr.right));
}

bool sameSlot(const Expr& name, const Expr& target)
{
    return name.kind == ExprKind::Name && name.target == Target::Slot && !name.package
           && name.up == target.up && name.index == target.index;
}

// v := v || e1 || e2 ...: whether the interpreter may append e1, e2... to
// the variable where it is (Stmt::appends). The variable is a VARCHAR2 of
// the running unit, the leftmost operand of a chain of ||, and nothing the
// other operands evaluate can change it meanwhile.
bool appendsInPlace(const Expr& target, const TypeSpec& type, const Expr& value)
{
    if (target.kind != ExprKind::Name || target.target != Target::Slot || target.package
        || target.up != 0 || type.type != ValueType::Varchar2 || type.composite)
        return false;
    const Expr* link = &value;
    if (link->kind != ExprKind::Binary || link->op != Operator::Concat)
        return false;
    for (; link->kind == ExprKind::Binary && link->op == Operator::Concat;
         link = link->left.get()) {
        if (!leavesVariablesAlone(*link->right))
            return false;
    }
    return sameSlot(*link, target);
}

std::optional<int> predefinedException(const std::string& name)
{
    for (const auto& entry : kPredefinedExceptions) {
        if (entry.name == name)
            return entry.code;
    }
    return std::nullopt;
}

enum class SymbolKind {
    Variable,
    Constant,
    InParam,
    OutParam,
    LoopCounter,
    Exception,
    Subprogram,
    Type,
    Cursor
};

struct Symbol {
    std::string_view name;
    SymbolKind kind;
    int slot;
    const Declaration* declaration;
    int level = 0;                            // of the unit that declares it: 0 the outermost
    CompiledUnit* subprogram = nullptr;       // Subprogram
    const CompositeType* composite = nullptr; // Type
    SqlAst* record = nullptr;                 // Cursor: its query
};

struct ParamInfo {
    std::string_view name;
    ParamMode mode;
    bool hasDefault;
};

// The member a path names in dbms_output, which every user may call.
std::optional<std::string_view> dbmsOutputName(const std::vector<std::string>& path)
{
    if (path.size() == 2 && path[0] == "DBMS_OUTPUT")
        return path[1];
    if (path.size() == 3 && path[0] == "SYS" && path[1] == "DBMS_OUTPUT")
        return path[2];
    return std::nullopt;
}

std::vector<std::string> splitPath(const std::string& text)
{
    std::vector<std::string> path;
    for (std::size_t start = 0;;) {
        const std::size_t dot = text.find('.', start);
        path.push_back(text.substr(start, dot - start));
        if (dot == std::string::npos)
            return path;
        start = dot + 1;
    }
}

std::string joinPath(const std::vector<std::string>& path)
{
    std::string text;
    for (const auto& part : path) {
        if (part.empty()) {
            text += "(...)"; // a subscript followed by more selectors
            continue;
        }
        if (!text.empty())
            text += '.';
        text += part;
    }
    return text;
}

class Compiler {
public:
    Compiler(CompiledUnit& unit, CompileEnvironment& environment)
        : unit_(unit), environment_(environment), units_{&unit}
    {
    }

    void run()
    {
        scopes_.emplace_back();
        resolveUnit(*unit_.ast);
        scopes_.pop_back();
    }

private:
    // The parameters and block of the unit on top of units_, in the scope
    // opened for it.
    void resolveUnit(UnitAst& ast)
    {
        for (auto& parameter : ast.parameters) {
            resolveType(parameter.type);
            if (parameter.defaultValue) {
                if (parameter.mode != ParamMode::In)
                    throw compileError(parameter.pos, "PLS-00230: OUT and IN OUT formal parameters "
                                                      "may not have default expressions");
                resolveExpr(*parameter.defaultValue);
            }
            parameter.slot = newSlot(parameter.type, false);
            declare(
                Symbol{parameter.name,
                       parameter.mode == ParamMode::In ? SymbolKind::InParam : SymbolKind::OutParam,
                       parameter.slot, nullptr},
                parameter.pos);
        }
        resolveBlock(ast.block);
    }

    int level() const { return static_cast<int>(units_.size()) - 1; }
    CompiledUnit& current() { return *units_.back(); }

    // A local procedure or function: a unit of its own whose frame links to
    // the one of the unit that declares it.
    void resolveSubprogram(std::unique_ptr<UnitAst> ast)
    {
        if (units_.size() > 255)
            fail(ast->namePos, "PLS-00123: program too large (Parse Tree Nodes)");
        resolveSignature(*ast);
        for (const Symbol& existing : scopes_.back()) {
            if (existing.name == ast->name && existing.kind != SymbolKind::Subprogram)
                fail(ast->namePos,
                     "PLS-00371: at most one declaration for '" + ast->name + "' is permitted");
        }
        if (CompiledUnit* declared = forwardDeclared(*ast)) {
            declared->ast = std::move(ast);
            declared->pending = false;
            // The symbol's name viewed the declaration's text.
            for (Symbol& symbol : scopes_.back()) {
                if (symbol.subprogram == declared)
                    symbol.name = declared->ast->name;
            }
            resolveSubprogramBody(*declared);
            return;
        }
        auto local = std::make_unique<CompiledUnit>();
        local->owner = unit_.owner;
        local->qualifiedName = unit_.qualifiedName;
        local->nested = true;
        local->valid = true;
        local->pending = ast->forward;
        local->publicMember = ast->fromHeader;
        local->ast = std::move(ast);
        scopes_.back().push_back(
            Symbol{local->ast->name, SymbolKind::Subprogram, -1, nullptr, level(), local.get()});
        CompiledUnit& added = *local;
        unit_.locals.push_back(std::move(local));
        if (!added.pending)
            resolveSubprogramBody(added);
    }

    void resolveSignature(UnitAst& ast)
    {
        if (ast.isFunction)
            resolveType(ast.returnType);
        for (auto& parameter : ast.parameters)
            resolveType(parameter.type);
    }

    // The subprogram this scope declared ahead with the same signature, still
    // without its body.
    CompiledUnit* forwardDeclared(const UnitAst& definition)
    {
        if (definition.forward)
            return nullptr;
        for (const Symbol& existing : scopes_.back()) {
            if (existing.kind != SymbolKind::Subprogram || existing.name != definition.name
                || !existing.subprogram->pending)
                continue;
            const UnitAst& declared = *existing.subprogram->ast;
            if (sameSignature(declared, definition)) {
                checkDefaults(declared, definition);
                return existing.subprogram;
            }
        }
        return nullptr;
    }

    static bool sameSignature(const UnitAst& a, const UnitAst& b)
    {
        if (a.isFunction != b.isFunction || a.parameters.size() != b.parameters.size()
            || (a.isFunction && !sameType(a.returnType, b.returnType)))
            return false;
        for (std::size_t i = 0; i < a.parameters.size(); ++i) {
            const Parameter& p = a.parameters[i];
            const Parameter& q = b.parameters[i];
            if (p.name != q.name || p.mode != q.mode || !sameType(p.type, q.type))
                return false;
        }
        return true;
    }

    static bool sameType(const TypeSpec& a, const TypeSpec& b)
    {
        return a.type == b.type && a.composite == b.composite;
    }

    void checkDefaults(const UnitAst& declared, const UnitAst& definition)
    {
        for (std::size_t i = 0; i < declared.parameters.size(); ++i) {
            const Parameter& p = definition.parameters[i];
            if ((declared.parameters[i].defaultValue == nullptr) != (p.defaultValue == nullptr))
                fail(p.pos, "PLS-00593: default value of parameter \"" + p.name
                                + "\" in body must match that of spec");
        }
    }

    // Every subprogram declared ahead in the closing scope needs its body.
    void checkForwardDefined()
    {
        for (const Symbol& symbol : scopes_.back()) {
            if (symbol.kind != SymbolKind::Subprogram || !symbol.subprogram->pending)
                continue;
            const UnitAst& ast = *symbol.subprogram->ast;
            if (ast.fromHeader) {
                if (current().ast->isPackageBody)
                    fail(ast.namePos, "PLS-00323: subprogram or cursor '" + ast.name
                                          + "' is declared in a package specification and "
                                            "must be defined in the package body");
                continue;
            }
            fail(ast.namePos, "PLS-00328: A subprogram body must be defined for the forward "
                              "declaration of "
                                  + ast.name + ".");
        }
    }

    // EXIT and CONTINUE: inside a loop of their unit, and a label they name
    // must be one of the loops around them.
    void resolveLoopJump(Stmt& stmt)
    {
        if (loops_.empty())
            fail(stmt.pos, stmt.kind == StmtKind::Exit
                               ? "PLS-00376: illegal EXIT statement; it must appear inside a loop"
                               : "PLS-00376: illegal EXIT/CONTINUE statement; it must appear "
                                 "inside a loop");
        if (!stmt.name.empty() && std::none_of(loops_.begin(), loops_.end(), [&](const Stmt* loop) {
                return std::find(loop->labels.begin(), loop->labels.end(), stmt.name)
                       != loop->labels.end();
            }))
            fail(stmt.pos,
                 "PLS-00373: EXIT/CONTINUE label '" + stmt.name + "' must label a LOOP statement");
        if (stmt.value)
            resolveCondition(*stmt.value);
    }

    void resolveSubprogramBody(CompiledUnit& local)
    {
        UnitAst& unitAst = *local.ast;
        std::vector<const Stmt*> loops = std::move(loops_);
        loops_.clear();
        const int handlers = handlerDepth_;
        const bool statement = inStatement_;
        handlerDepth_ = 0;
        inStatement_ = false;
        units_.push_back(&local);
        scopes_.emplace_back();
        resolveUnit(unitAst);
        scopes_.pop_back();
        units_.pop_back();
        loops_ = std::move(loops);
        handlerDepth_ = handlers;
        inStatement_ = statement;
    }

    // Binds a name to the symbol's slot, counting the frames out to it.
    void bindSlot(Expr& expr, const Symbol& symbol)
    {
        expr.target = Target::Slot;
        expr.index = symbol.slot;
        expr.up = static_cast<std::uint8_t>(level() - symbol.level);
    }

    const TypeSpec& slotType(const Expr& expr) const
    {
        const CompiledUnit& owner =
            expr.package ? *expr.package : *units_[units_.size() - 1 - expr.up];
        return owner.slotTypes[static_cast<std::size_t>(expr.index)];
    }

    [[noreturn]] void fail(const SourcePos& pos, const std::string& text)
    {
        if (inStatement_)
            throw compileError(pos, text, statementPos_);
        throw compileError(pos, text);
    }

    int newSlot(const TypeSpec& type, bool notNull)
    {
        current().slotTypes.push_back(type);
        current().slotNotNull.push_back(notNull);
        return static_cast<int>(current().slotTypes.size() - 1);
    }

    void declare(Symbol symbol, const SourcePos& pos)
    {
        for (const auto& existing : scopes_.back()) {
            if (existing.name == symbol.name)
                fail(pos, "PLS-00371: at most one declaration for '" + std::string(symbol.name)
                              + "' is permitted");
        }
        symbol.level = level();
        scopes_.back().push_back(symbol);
    }

    const Symbol* lookup(std::string_view name) const
    {
        for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
            for (auto symbol = scope->rbegin(); symbol != scope->rend(); ++symbol) {
                if (symbol->name == name)
                    return &*symbol;
            }
        }
        return nullptr;
    }

    // ------------------------------------------------------------ blocks

    void resolveBlock(Block& block)
    {
        scopes_.emplace_back();
        const UnitAst& ast = *current().ast;
        const bool packageBlock = ast.isPackage && &block == &ast.block;
        const std::size_t publicDeclarations =
            packageBlock ? ast.publicDeclarations : block.declarations.size();
        const std::size_t publicSubprograms =
            packageBlock ? ast.publicSubprograms : block.subprograms.size();
        // A package's header comes first, so that its body sees all of it.
        resolveDeclarations(block, 0, publicDeclarations);
        resolveSubprograms(block, 0, publicSubprograms);
        resolveDeclarations(block, publicDeclarations, block.declarations.size());
        resolveSubprograms(block, publicSubprograms, block.subprograms.size());
        block.subprograms.clear();
        checkForwardDefined();
        resolveStatements(block.body);
        for (auto& handler : block.handlers) {
            for (auto& name : handler.names)
                name.resolved = resolveException(name.path, name.pos);
            ++handlerDepth_;
            resolveStatements(handler.body);
            --handlerDepth_;
        }
        scopes_.pop_back();
    }

    void resolveSubprograms(Block& block, std::size_t from, std::size_t to)
    {
        for (std::size_t i = from; i < to; ++i)
            resolveSubprogram(std::move(block.subprograms[i]));
    }

    void resolveDeclarations(Block& block, std::size_t from, std::size_t to)
    {
        for (std::size_t i = from; i < to; ++i) {
            Declaration& declaration = block.declarations[i];
            if (declaration.isException) {
                declare(Symbol{declaration.name, SymbolKind::Exception, -1, &declaration},
                        declaration.pos);
                continue;
            }
            if (declaration.typeDeclaration) {
                declareType(*declaration.typeDeclaration);
                continue;
            }
            if (declaration.cursor) {
                resolveCursorDeclaration(declaration);
                continue;
            }
            if (declaration.rowType) {
                resolveRowType(declaration);
                continue;
            }
            if (!declaration.anchor.empty())
                declaration.type = anchoredType(declaration.anchor, declaration.pos);
            resolveType(declaration.type);
            if (declaration.init) {
                resolveExpr(*declaration.init);
                checkAssignable(declaration.type, *declaration.init);
            }
            declaration.slot = newSlot(declaration.type, declaration.notNull);
            declare(Symbol{declaration.name,
                           declaration.constant ? SymbolKind::Constant : SymbolKind::Variable,
                           declaration.slot, &declaration},
                    declaration.pos);
        }
    }

    ExceptionRef resolveException(const std::vector<std::string>& path, const SourcePos& pos)
    {
        const std::string& last = path.back();
        if (path.size() == 1) {
            if (const Symbol* symbol = lookup(last)) {
                if (symbol->kind != SymbolKind::Exception)
                    fail(pos, "PLS-00320: the declaration of the type of this expression is "
                              "incomplete or malformed");
                return ExceptionRef{0, symbol->declaration};
            }
        }
        if (path.size() == 1 || (path.size() == 2 && path[0] == "STANDARD")) {
            if (const auto code = predefinedException(last))
                return ExceptionRef{*code, nullptr};
        }
        if (path.size() > 1) {
            if (const UnitAst& own = *unit_.ast; own.isPackage && path[0] == own.name)
                return resolveException({path.begin() + 1, path.end()}, pos);
            if (auto [package, at] = packageOf(path); package && package->valid) {
                const Declaration* declaration = publicDeclaration(*package, last);
                if (at + 1 != path.size() || !declaration || !declaration->isException)
                    fail(pos, "PLS-00302: component '" + path[at] + "' must be declared");
                return ExceptionRef{0, declaration};
            }
        }
        fail(pos, "PLS-00201: identifier '" + joinPath(path) + "' must be declared");
    }

    void resolveStatements(std::vector<Stmt>& statements)
    {
        for (auto& stmt : statements)
            resolveStatement(stmt);
    }

    void resolveStatement(Stmt& stmt)
    {
        const bool outer = inStatement_;
        const SourcePos outerPos = statementPos_;
        inStatement_ = true;
        statementPos_ = stmt.pos;
        switch (stmt.kind) {
        case StmtKind::Null:
            break;
        case StmtKind::Return:
            if (stmt.value) {
                resolveExpr(*stmt.value);
                checkAssignable(current().ast->returnType, *stmt.value);
            }
            break;
        case StmtKind::Assign:
            resolveExpr(*stmt.value);
            resolveTarget(*stmt.target);
            checkAssignable(targetSpec(*stmt.target), *stmt.value);
            stmt.appends = appendsInPlace(*stmt.target, targetSpec(*stmt.target), *stmt.value);
            break;
        case StmtKind::Call:
            resolveName(*stmt.target, true);
            break;
        case StmtKind::If:
            for (auto& branch : stmt.branches) {
                resolveCondition(*branch.condition);
                resolveStatements(branch.body);
            }
            resolveStatements(stmt.body);
            break;
        case StmtKind::Loop:
        case StmtKind::While:
            if (stmt.value)
                resolveCondition(*stmt.value);
            loops_.push_back(&stmt);
            resolveStatements(stmt.body);
            loops_.pop_back();
            break;
        case StmtKind::For:
            resolveFor(stmt);
            break;
        case StmtKind::Exit:
        case StmtKind::Continue:
            resolveLoopJump(stmt);
            break;
        case StmtKind::Raise:
            if (stmt.name.empty()) {
                if (handlerDepth_ == 0)
                    fail(stmt.pos, "PLS-00367: a RAISE statement with no exception name must be "
                                   "inside an exception handler");
            } else {
                std::vector<std::string> path;
                std::size_t start = 0;
                for (;;) {
                    const auto dot = stmt.name.find('.', start);
                    path.push_back(stmt.name.substr(start, dot - start));
                    if (dot == std::string::npos)
                        break;
                    start = dot + 1;
                }
                stmt.exception = resolveException(path, stmt.namePos);
            }
            break;
        case StmtKind::Block:
            resolveBlock(*stmt.block);
            break;
        case StmtKind::Case:
            resolveCaseStatement(stmt);
            break;
        case StmtKind::Sql:
            resolveSql(*stmt.sql);
            break;
        case StmtKind::CursorFor:
            resolveCursorFor(stmt);
            break;
        }
        inStatement_ = outer;
        statementPos_ = outerPos;
    }

    void resolveFor(Stmt& stmt)
    {
        resolveExpr(*stmt.value);
        resolveExpr(*stmt.high);
        checkNotBoolean(*stmt.value);
        checkNotBoolean(*stmt.high);
        scopes_.emplace_back();
        TypeSpec counter;
        counter.integer = true;
        counter.binaryInteger = true;
        stmt.slot = newSlot(counter, false);
        declare(Symbol{stmt.name, SymbolKind::LoopCounter, stmt.slot, nullptr}, stmt.namePos);
        loops_.push_back(&stmt);
        resolveStatements(stmt.body);
        loops_.pop_back();
        scopes_.pop_back();
    }

    // A simple CASE compares its selector with each WHEN; a searched one
    // takes each WHEN as a condition.
    void resolveWhen(Expr& when, bool simple)
    {
        if (simple)
            resolveExpr(when);
        else
            resolveCondition(when);
    }

    void resolveCaseStatement(Stmt& stmt)
    {
        if (stmt.value)
            resolveExpr(*stmt.value);
        for (auto& branch : stmt.branches) {
            resolveWhen(*branch.condition, stmt.value != nullptr);
            resolveStatements(branch.body);
        }
        resolveStatements(stmt.body);
    }

    void resolveCaseExpression(Expr& expr)
    {
        if (expr.left)
            resolveExpr(*expr.left);
        for (std::size_t i = 0; i < expr.args.size(); ++i) {
            if (i % 2 == 0)
                resolveWhen(*expr.args[i].value, expr.left != nullptr);
            else
                resolveExpr(*expr.args[i].value);
        }
        if (expr.right)
            resolveExpr(*expr.right);
    }

    // ------------------------------------------------------------ SQL

    // Names in SQL that are PL/SQL variables become binds; the rest are left
    // for the table's columns when the statement runs.
    void resolveSqlExpr(Expr& expr)
    {
        if (expr.kind == ExprKind::Name && !expr.hasParens) {
            if (!lookup(expr.path[0]) && resolveSequence(expr))
                return;
            if (expr.path.size() == 1 && !lookup(expr.path[0]) && findBuiltin({}, expr.path[0])) {
                // SYSDATE, USER: a column of that name still wins when the statement runs
                try {
                    resolveName(expr, false);
                } catch (const OraError&) {
                    expr.target = Target::Unresolved;
                    expr.builtin = nullptr;
                }
                return;
            }
            if (const Symbol* symbol = lookup(expr.path[0])) {
                if (isCompositeVariable(*symbol) && expr.path.size() > 1) {
                    // r.f; a column of the table named so still wins when the statement runs
                    try {
                        resolveName(expr, false);
                    } catch (const OraError&) {
                        expr.target = Target::Unresolved;
                        expr.member.reset();
                    }
                } else if (symbol->kind != SymbolKind::Exception && expr.path.size() == 1) {
                    bindSlot(expr, *symbol);
                }
            }
            return;
        }
        if (expr.kind == ExprKind::Name && expr.path.size() == 1 && expr.path[0] == "*")
            return;
        if (expr.kind == ExprKind::Subquery) {
            resolveSubquery(*expr.query);
            return;
        }
        if (expr.kind == ExprKind::Name && expr.hasParens) {
            // A PL/SQL function of values only runs in PL/SQL and is bound;
            // a call on columns is refused when the statement runs.
            try {
                resolveName(expr, false);
                return;
            } catch (const OraError&) {
                expr.target = Target::Unresolved;
                expr.builtin = nullptr;
                expr.ordered.clear();
            }
            // A standard function of columns runs on each row: its arguments
            // are matched to its parameters here, and resolved as SQL below.
            const BuiltinDef* builtin = expr.path.size() == 1 && !lookup(expr.path[0])
                                            ? findBuiltin({}, expr.path[0])
                                            : nullptr;
            if (builtin && runsOnRows(*builtin)) {
                if (builtin->variadic)
                    matchVariadic(expr, builtin->minArgs, std::string(builtin->name), false);
                else
                    matchArguments(expr, paramsOf(*builtin), std::string(builtin->name), false);
                expr.target = Target::Builtin;
                expr.builtin = builtin;
            }
        }
        for (auto& argument : expr.args)
            resolveSqlExpr(*argument.value);
        if (expr.left)
            resolveSqlExpr(*expr.left);
        if (expr.right)
            resolveSqlExpr(*expr.right);
    }

    void resolveSql(SqlAst& sql)
    {
        for (auto& item : sql.items) {
            if (item.expr)
                resolveSqlExpr(*item.expr);
        }
        if (sql.kind == SqlKind::Open) {
            resolveCursorUse(sql);
            return;
        }
        if (sql.kind == SqlKind::Execute) {
            resolveExpr(*sql.values[0]);
            return;
        }
        if (sql.kind == SqlKind::Fetch || sql.kind == SqlKind::Close)
            namedCursor(sql);
        resolveIntoTargets(sql);
        resolveQueryClauses(sql);
        for (auto& value : sql.values)
            resolveSqlExpr(*value);
    }

    void resolveQueryClauses(SqlAst& sql)
    {
        if (sql.view)
            resolveSubquery(*sql.view);
        for (auto& join : sql.joins) {
            if (join.view)
                resolveSubquery(*join.view);
            if (join.on)
                resolveSqlExpr(*join.on);
        }
        if (sql.where)
            resolveSqlExpr(*sql.where);
        for (auto& group : sql.groupBy)
            resolveSqlExpr(*group);
        if (sql.having)
            resolveSqlExpr(*sql.having);
        for (auto& branch : sql.compound)
            resolveSubquery(*branch.query);
        for (auto& order : sql.orderBy)
            resolveSqlExpr(*order.expr);
    }

    void resolveSubquery(SqlAst& query)
    {
        for (auto& item : query.items) {
            if (item.expr)
                resolveSqlExpr(*item.expr);
        }
        resolveQueryClauses(query);
    }

    void resolveCursorDeclaration(Declaration& declaration)
    {
        SqlAst& query = *declaration.cursor;
        scopes_.emplace_back();
        for (auto& parameter : query.parameters) {
            if (parameter.defaultValue)
                resolveExpr(*parameter.defaultValue);
            parameter.slot = newSlot(parameter.type, false);
            declare(Symbol{parameter.name, SymbolKind::InParam, parameter.slot, nullptr},
                    parameter.pos);
        }
        resolveSql(query);
        scopes_.pop_back();
        query.cursor = static_cast<int>(current().cursors.size());
        current().cursors.push_back(&query);
        declare(Symbol{.name = declaration.name,
                       .kind = SymbolKind::Cursor,
                       .slot = -1,
                       .declaration = &declaration,
                       .record = &query},
                declaration.pos);
    }

    // OPEN c(args) and FOR r IN c(args): the cursor and its arguments.
    // The cursor OPEN, FETCH, CLOSE or a cursor FOR loop names.
    // A declared cursor: of this unit, of one around it, or of a package
    // (pkg.c, or c inside the package).
    struct CursorRef {
        SqlAst* query = nullptr;
        std::uint8_t up = 0;
        const CompiledUnit* package = nullptr;
    };

    CursorRef findCursor(const std::vector<std::string>& path, const SourcePos& pos,
                         bool forAttribute)
    {
        const auto notCursor = [&](const std::string& name) {
            fail(pos,
                 forAttribute
                     ? "PLS-00324: cursor attribute may not be applied to non-cursor '" + name + "'"
                     : "PLS-00456: item '" + name + "' is not a cursor");
        };
        if (path.size() == 1) {
            const Symbol* symbol = lookup(path[0]);
            if (!symbol)
                fail(pos, "PLS-00201: identifier '" + path[0] + "' must be declared");
            if (symbol->kind != SymbolKind::Cursor)
                notCursor(path[0]);
            return CursorRef{symbol->record, static_cast<std::uint8_t>(level() - symbol->level),
                             nullptr};
        }
        if (const UnitAst& own = *unit_.ast; own.isPackage && path[0] == own.name)
            return findCursor({path.begin() + 1, path.end()}, pos, forAttribute);
        auto [package, at] = packageOf(path);
        if (!package)
            fail(pos, "PLS-00201: identifier '" + joinPath(path) + "' must be declared");
        if (!package->valid)
            fail(pos, "PLS-00905: object " + package->qualifiedName + " is invalid");
        const Declaration* declaration = publicDeclaration(*package, path[at]);
        if (!declaration || at + 1 != path.size())
            fail(pos, "PLS-00302: component '" + path[at] + "' must be declared");
        if (!declaration->cursor)
            notCursor(joinPath(path));
        return CursorRef{declaration->cursor.get(), 0, package.get()};
    }

    CursorRef namedCursor(SqlAst& use)
    {
        const CursorRef found = findCursor(splitPath(use.cursorName), use.cursorPos, false);
        use.cursor = found.query->cursor;
        use.cursorUp = found.up;
        use.cursorPackage = found.package;
        return found;
    }

    CursorRef resolveCursorUse(SqlAst& use)
    {
        const CursorRef cursor = namedCursor(use);
        const auto& parameters = cursor.query->parameters;
        if (use.values.size() > parameters.size())
            fail(use.cursorPos, "PLS-00306: wrong number or types of arguments in call to '"
                                    + use.cursorName + "'");
        for (std::size_t i = use.values.size(); i < parameters.size(); ++i) {
            if (!parameters[i].defaultValue)
                fail(use.cursorPos, "PLS-00306: wrong number or types of arguments in call to '"
                                        + use.cursorName + "'");
        }
        for (auto& value : use.values)
            resolveExpr(*value);
        return cursor;
    }

    // The names a query's rows have: aliases, column names, or the table's
    // columns for *. A cursor FOR loop's record (`lenient`) has a field
    // without a name for an expression without an alias, which nothing reaches.
    std::vector<std::pair<std::string, TypeSpec>>
    queryColumns(const SqlAst& query, const SourcePos& pos, bool lenient = false)
    {
        std::vector<std::pair<std::string, TypeSpec>> columns;
        TypeSpec untyped;
        untyped.type = ValueType::Null;
        for (const auto& item : query.items) {
            if (!item.expr) {
                std::vector<std::pair<const std::vector<std::string>*, const SqlAst*>> tables{
                    {&query.table, query.view.get()}};
                for (const auto& join : query.joins)
                    tables.emplace_back(&join.table, join.view.get());
                for (const auto& [name, view] : tables) {
                    if (view) {
                        auto viewColumns = queryColumns(*view, pos, lenient);
                        columns.insert(columns.end(), viewColumns.begin(), viewColumns.end());
                        continue;
                    }
                    auto table = environment_.tableColumns(unit_.owner, *name);
                    if (!table)
                        fail(pos,
                             "PLS-00201: identifier '" + joinPath(*name) + "' must be declared");
                    columns.insert(columns.end(), table->begin(), table->end());
                }
            } else if (!item.alias.empty()) {
                columns.emplace_back(item.alias, untyped);
            } else if (item.expr->kind == ExprKind::Name && !item.expr->hasParens) {
                columns.emplace_back(item.expr->path.back(), untyped);
            } else if (lenient) {
                columns.emplace_back(std::string(), untyped);
            } else {
                fail(pos, "PLS-00402: alias required in SELECT list of cursor to avoid duplicate "
                          "column names");
            }
        }
        return columns;
    }

    // A %ROWTYPE record is a record like one of a declared RECORD type, of a
    // type made for its table or cursor once per unit, so that two records
    // of one table have one type.
    TypeSpec rowType(const std::vector<std::string>& anchor, const SourcePos& pos)
    {
        const Symbol* cursor = anchor.size() == 1 ? lookup(anchor[0]) : nullptr;
        const SqlAst* query =
            cursor && cursor->kind == SymbolKind::Cursor ? cursor->record : packageCursor(anchor);
        if (query)
            return queryRecord(*query, joinPath(anchor), pos, false);
        auto table = environment_.tableColumns(unit_.owner, anchor);
        if (!table)
            fail(pos, "PLS-00201: identifier '" + joinPath(anchor) + "' must be declared");
        return recordType("table " + joinPath(anchor), joinPath(anchor), pos, std::move(*table));
    }

    // The record of a query's rows: c%ROWTYPE, or a cursor FOR loop's (`lenient`).
    TypeSpec queryRecord(const SqlAst& query, const std::string& name, const SourcePos& pos,
                         bool lenient)
    {
        const std::string key = (lenient ? "loop " : "cursor ")
                                + std::to_string(reinterpret_cast<std::uintptr_t>(&query));
        if (rowTypes_.contains(key))
            return recordType(key, name, pos, {});
        return recordType(key, name, pos, queryColumns(query, pos, lenient));
    }

    TypeSpec recordType(const std::string& key, const std::string& name, const SourcePos& pos,
                        std::vector<std::pair<std::string, TypeSpec>> columns)
    {
        const CompositeType*& made = rowTypes_[key];
        if (!made) {
            auto type = std::make_shared<CompositeType>();
            type->name = name + "%ROWTYPE";
            type->pos = pos;
            type->rowType = true;
            for (auto& [field, column] : columns)
                type->fields.push_back(CompositeType::Field{field, pos, column, false});
            made = type.get();
            unit_.rowTypes.push_back(std::move(type));
        }
        TypeSpec rowType;
        rowType.type = ValueType::Composite;
        rowType.composite = made;
        return rowType;
    }

    // The query of pkg.c, when a path names a package's cursor.
    const SqlAst* packageCursor(const std::vector<std::string>& path)
    {
        if (path.size() < 2)
            return nullptr;
        if (const UnitAst& own = *unit_.ast; own.isPackage && path[0] == own.name) {
            const Symbol* symbol = path.size() == 2 ? lookup(path[1]) : nullptr;
            return symbol && symbol->kind == SymbolKind::Cursor ? symbol->record : nullptr;
        }
        auto [package, at] = packageOf(path);
        if (!package || !package->valid || at + 1 != path.size())
            return nullptr;
        const Declaration* declaration = publicDeclaration(*package, path[at]);
        return declaration ? declaration->cursor.get() : nullptr;
    }

    void resolveRowType(Declaration& declaration)
    {
        declaration.type = rowType(declaration.anchor, declaration.pos);
        declaration.slot = newSlot(declaration.type, false);
        declare(Symbol{declaration.name, SymbolKind::Variable, declaration.slot, &declaration},
                declaration.pos);
    }

    TypeSpec anchoredType(const std::vector<std::string>& anchor, const SourcePos& pos)
    {
        if (const Symbol* symbol = lookup(anchor[0])) {
            const CompiledUnit& owner = *units_[static_cast<std::size_t>(symbol->level)];
            if (anchor.size() == 1 && symbol->slot >= 0)
                return owner.slotTypes[static_cast<std::size_t>(symbol->slot)];
            const CompositeType* record =
                isCompositeVariable(*symbol) ? symbolType(*symbol).composite : nullptr;
            if (anchor.size() == 2 && record && !record->isCollection()) {
                const int field = record->fieldIndex(anchor[1]);
                if (field < 0)
                    fail(pos, "PLS-00302: component '" + anchor[1] + "' must be declared");
                return record->fields[static_cast<std::size_t>(field)].type;
            }
        }
        if (anchor.size() >= 2) {
            const std::vector<std::string> table(anchor.begin(), anchor.end() - 1);
            if (auto columns = environment_.tableColumns(unit_.owner, table)) {
                for (const auto& [name, type] : *columns) {
                    if (name == anchor.back())
                        return type;
                }
                fail(pos, "PLS-00302: component '" + anchor.back() + "' must be declared");
            }
        }
        fail(pos, "PLS-00201: identifier '" + joinPath(anchor) + "' must be declared");
    }

    // BULK COLLECT INTO collections, one per column, or one collection of
    // records whose fields take the columns.
    void resolveBulkTargets(SqlAst& sql)
    {
        for (const auto& target : sql.into) {
            const CompositeType* type = targetSpec(*target).composite;
            if (!type || !type->isCollection())
                fail(target->pos, "PLS-00497: cannot mix between single row and multi-row (BULK) "
                                  "in INTO list");
            if (type->stringKeys)
                fail(target->pos, "PLS-00657: Implementation restriction: bulk SQL with "
                                  "associative arrays with VARCHAR2 key is not supported.");
            sql.bulkTypes.push_back(type);
        }
        const CompositeType* element =
            sql.into.size() == 1 ? sql.bulkTypes.front()->element.composite : nullptr;
        if (element && !element->isCollection())
            sql.intoRecord = element;
    }

    // INTO a record (a variable, a field, an element) fills its fields in turn.
    void resolveIntoTargets(SqlAst& sql)
    {
        for (auto& target : sql.into)
            resolveTarget(*target);
        if (sql.bulk) {
            resolveBulkTargets(sql);
            return;
        }
        if (sql.into.size() != 1)
            return;
        const CompositeType* record = targetSpec(*sql.into[0]).composite;
        if (record && !record->isCollection())
            sql.intoRecord = record;
    }

    // The loop's record is a record of the query's columns, like c%ROWTYPE.
    void resolveCursorFor(Stmt& stmt)
    {
        const SqlAst* query = stmt.sql.get();
        if (stmt.sql->kind == SqlKind::Open)
            query = resolveCursorUse(*stmt.sql).query;
        else
            resolveSql(*stmt.sql);
        scopes_.emplace_back();
        stmt.slot = newSlot(queryRecord(*query, stmt.name, stmt.namePos, true), false);
        declare(Symbol{stmt.name, SymbolKind::Variable, stmt.slot, nullptr}, stmt.namePos);
        loops_.push_back(&stmt);
        resolveStatements(stmt.body);
        loops_.pop_back();
        scopes_.pop_back();
    }

    void resolveCursorAttribute(Expr& expr)
    {
        if (expr.path.size() == 2 && expr.path[0] == "SQL")
            return;
        const CursorRef cursor =
            findCursor({expr.path.begin(), expr.path.end() - 1}, expr.pos, true);
        expr.index = cursor.query->cursor;
        expr.up = cursor.up;
        expr.package = cursor.package;
    }

    // ------------------------------------------------------------ expressions

    ValueType staticType(const Expr& expr) const
    {
        switch (expr.kind) {
        case ExprKind::Literal:
            return expr.literal.type();
        case ExprKind::Bind:
        case ExprKind::Case:
            return ValueType::Null;
        case ExprKind::Name:
            if (expr.target == Target::Slot)
                return slotType(expr).type;
            if (expr.target == Target::Procedure)
                return expr.procedure->ast->returnType.type;
            if (expr.target == Target::Member)
                return expr.member->type.type;
            if (expr.target == Target::Construct)
                return ValueType::Composite;
            if (expr.target == Target::Builtin)
                return expr.builtin->result;
            return ValueType::Null;
        case ExprKind::CursorAttribute:
            return expr.path.back() == "ROWCOUNT" ? ValueType::Number : ValueType::Boolean;
        case ExprKind::Subquery:
            return ValueType::Null;
        case ExprKind::Unary:
            return expr.op == Operator::Negate || expr.op == Operator::Plus ? ValueType::Number
                                                                            : ValueType::Boolean;
        case ExprKind::Binary:
            switch (expr.op) {
            case Operator::Concat:
                return ValueType::Varchar2;
            case Operator::Add:
            case Operator::Subtract:
            case Operator::Multiply:
            case Operator::Divide:
            case Operator::Power:
            case Operator::Mod:
                return ValueType::Null;
            default:
                return ValueType::Boolean;
            }
        }
        return ValueType::Null;
    }

    void checkBoolean(const Expr& expr)
    {
        const ValueType type = staticType(expr);
        if (type != ValueType::Null && type != ValueType::Boolean)
            fail(expr.pos, "PLS-00382: expression is of wrong type");
    }

    void checkNotBoolean(const Expr& expr)
    {
        if (staticType(expr) == ValueType::Boolean)
            fail(expr.pos, "PLS-00382: expression is of wrong type");
    }

    void resolveCondition(Expr& expr)
    {
        resolveExpr(expr);
        checkBoolean(expr);
    }

    void resolveExpr(Expr& expr)
    {
        switch (expr.kind) {
        case ExprKind::Literal:
        case ExprKind::Bind:
            return;
        case ExprKind::CursorAttribute:
            resolveCursorAttribute(expr);
            return;
        case ExprKind::Subquery:
            fail(expr.pos, "PLS-00405: subquery not allowed in this context");
        case ExprKind::Name:
            resolveName(expr, false);
            return;
        case ExprKind::Case:
            resolveCaseExpression(expr);
            return;
        case ExprKind::Unary:
            resolveExpr(*expr.left);
            if (expr.op != Operator::IsNull && expr.op != Operator::IsNotNull)
                checkScalar(*expr.left);
            if (expr.op == Operator::Not)
                checkBoolean(*expr.left);
            else if (expr.op == Operator::Negate || expr.op == Operator::Plus)
                checkNotBoolean(*expr.left);
            return;
        case ExprKind::Binary:
            resolveExpr(*expr.left);
            if (expr.right)
                resolveExpr(*expr.right);
            for (auto& operand : expr.args)
                resolveExpr(*operand.value);
            checkScalar(*expr.left);
            if (expr.right)
                checkScalar(*expr.right);
            for (auto& operand : expr.args)
                checkScalar(*operand.value);
            if (expr.op == Operator::And || expr.op == Operator::Or) {
                checkBoolean(*expr.left);
                checkBoolean(*expr.right);
            } else if (expr.op != Operator::Equal && expr.op != Operator::NotEqual
                       && expr.op != Operator::In) {
                checkNotBoolean(*expr.left);
                if (expr.right)
                    checkNotBoolean(*expr.right);
            }
            return;
        }
    }

    void resolveTarget(Expr& expr)
    {
        if (expr.kind == ExprKind::Bind)
            return;
        if (expr.kind == ExprKind::Name && (expr.path.size() > 1 || expr.hasParens)) {
            const Symbol* base = lookup(expr.path[0]);
            if (base && isCompositeVariable(*base)) {
                if (base->kind != SymbolKind::Variable && base->kind != SymbolKind::OutParam)
                    fail(expr.pos, "PLS-00363: expression '" + describe(expr)
                                       + "' cannot be used as an assignment target");
                resolveMember(expr, *base, false);
                if (expr.member->method >= 0)
                    fail(expr.pos, "PLS-00363: expression '" + describe(expr)
                                       + "' cannot be used as an assignment target");
                return;
            }
        }
        if (expr.kind == ExprKind::Name && expr.path.size() > 1 && !lookup(expr.path[0])
            && resolvePackageMember(expr, false, true))
            return;
        const Symbol* symbol =
            expr.kind == ExprKind::Name && expr.path.size() == 1 && !expr.hasParens
                ? lookup(expr.path[0])
                : nullptr;
        if (!symbol) {
            if (expr.kind == ExprKind::Name && expr.path.size() == 1 && !expr.hasParens)
                fail(expr.pos, "PLS-00201: identifier '" + expr.path[0] + "' must be declared");
            fail(expr.pos, "PLS-00363: expression '" + describe(expr)
                               + "' cannot be used as an assignment target");
        }
        if (symbol->kind != SymbolKind::Variable && symbol->kind != SymbolKind::OutParam)
            fail(expr.pos, "PLS-00363: expression '" + expr.path[0]
                               + "' cannot be used as an assignment target");
        bindSlot(expr, *symbol);
    }

    static std::string describe(const Expr& expr)
    {
        if (expr.kind == ExprKind::Name)
            return joinPath(expr.path);
        if (expr.kind == ExprKind::Bind)
            return ":" + expr.path[0];
        if (expr.kind == ExprKind::Literal && expr.literal.type() == ValueType::Varchar2)
            return "'" + expr.literal.asText() + "'";
        return "expression";
    }

    void resolveName(Expr& expr, bool asStatement)
    {
        const auto& path = expr.path;
        if (const Symbol* base = lookup(path[0]);
            base && (path.size() > 1 || expr.hasParens) && isCompositeVariable(*base)) {
            resolveMember(expr, *base, asStatement);
            return;
        }
        if (path.size() == 1) {
            if (const Symbol* symbol = lookup(path[0])) {
                if (symbol->kind == SymbolKind::Subprogram) {
                    resolveLocalCall(expr, *symbol, asStatement);
                    return;
                }
                if (symbol->kind == SymbolKind::Type) {
                    resolveConstructor(expr, *symbol->composite, asStatement);
                    return;
                }
                if (asStatement)
                    fail(expr.pos,
                         "PLS-00221: '" + path[0] + "' is not a procedure or is undefined");
                if (expr.hasParens)
                    fail(expr.pos,
                         "PLS-00222: no function with name '" + path[0] + "' exists in this scope");
                if (symbol->kind == SymbolKind::Exception)
                    fail(expr.pos, "PLS-00321: expression '" + path[0]
                                       + "' is inappropriate as the left hand side of an "
                                         "assignment statement");
                bindSlot(expr, *symbol);
                return;
            }
        }

        std::string_view package;
        std::string_view name;
        if (path.size() == 1) {
            name = path[0];
        } else if (path.size() == 2
                   && (path[0] == "DBMS_PIPE" || path[0] == "DBMS_UTILITY" || path[0] == "DBMS_LOCK"
                       || path[0] == "DBMS_SESSION")) {
            package = path[0];
            name = path[1];
        } else if (path.size() == 3 && path[0] == "SYS" && path[1] == "DBMS_PIPE") {
            package = path[1];
            name = path[2];
        } else if (path.size() == 2 && path[0] == "STANDARD") {
            name = path[1];
        }
        if (const auto output = dbmsOutputName(path)) {
            package = "DBMS_OUTPUT";
            name = *output;
        }
        if (package.empty() && path.size() > 1 && resolvePackageMember(expr, asStatement, false))
            return;
        if (!expr.subscripts.empty())
            fail(expr.pos, "PLS-00999: implementation restriction (may be temporary) '"
                               + joinPath(path)
                               + "': a selector after a function's result is not supported");
        if (package == "DBMS_PIPE" && !environment_.mayUseDbmsPipe(unit_.owner))
            fail(expr.pos, "PLS-00201: identifier '"
                               + std::string(path.size() == 3 ? "SYS.DBMS_PIPE" : "DBMS_PIPE")
                               + "' must be declared");
        // A stored procedure called as a statement keeps its name even where
        // a standard function has it too (a procedure LOG beside LOG(m, n)).
        const BuiltinDef* builtin = findBuiltin(package, name);
        if (builtin
            && !(asStatement && builtin->isFunction && environment_.procedure(unit_.owner, path))) {
            resolveBuiltin(expr, *builtin, asStatement);
            return;
        }
        if (!package.empty())
            fail(expr.pos, "PLS-00302: component '" + std::string(name) + "' must be declared");

        if (!asStatement && resolveSequence(expr))
            return;
        auto procedure = environment_.procedure(unit_.owner, path);
        if (!procedure)
            fail(expr.pos, "PLS-00201: identifier '" + joinPath(path) + "' must be declared");
        unit_.dependencies.push_back(procedure.get());
        if (!procedure->valid)
            fail(expr.pos, "PLS-00905: object " + procedure->qualifiedName + " is invalid");
        if (procedure->ast->isPackage || procedure->ast->isFunction == asStatement)
            notCallable(expr, asStatement);
        bindCall(expr, *procedure, joinPath(path));
    }

    [[noreturn]] void notCallable(const Expr& expr, bool asStatement)
    {
        if (asStatement)
            fail(expr.pos,
                 "PLS-00221: '" + joinPath(expr.path) + "' is not a procedure or is undefined");
        fail(expr.pos,
             "PLS-00222: no function with name '" + joinPath(expr.path) + "' exists in this scope");
    }

    // Matches the arguments to the parameters of the chosen unit.
    void bindCall(Expr& expr, const CompiledUnit& callee, const std::string& display)
    {
        std::vector<ParamInfo> params;
        for (const auto& parameter : callee.ast->parameters)
            params.push_back(
                ParamInfo{parameter.name, parameter.mode, parameter.defaultValue != nullptr});
        matchArguments(expr, params, display);
        const auto& parameters = callee.ast->parameters;
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            if (!expr.ordered[i])
                continue;
            const CompositeType* given = compositeOf(*expr.ordered[i]);
            const CompositeType* wanted = parameters[i].type.composite;
            const ParamMode mode = parameters[i].mode;
            const bool fits = (mode == ParamMode::Out || recordAssignable(wanted, given))
                              && (mode == ParamMode::In || recordAssignable(given, wanted));
            if (!fits)
                fail(expr.pos,
                     "PLS-00306: wrong number or types of arguments in call to '" + display + "'");
        }
        expr.target = Target::Procedure;
        expr.procedure = &callee;
    }

    // ------------------------------------------------------------ packages

    // The package a qualified name starts with, and where its member's name
    // stands in the path: pkg.member or owner.pkg.member.
    std::pair<std::shared_ptr<CompiledUnit>, std::size_t>
    packageOf(const std::vector<std::string>& path)
    {
        const UnitAst& own = *unit_.ast;
        if (own.isPackage && path[0] == own.name)
            return {nullptr, 0};
        std::pair<std::shared_ptr<CompiledUnit>, std::size_t> found{nullptr, 0};
        if (auto first = environment_.procedure(unit_.owner, {path[0]});
            first && (!first->ast || first->ast->isPackage))
            found = {first, 1};
        else if (path.size() > 2) {
            if (auto second = environment_.procedure(unit_.owner, {path[0], path[1]});
                second && (!second->ast || second->ast->isPackage))
                found = {second, 2};
        }
        if (found.first)
            unit_.dependencies.push_back(found.first.get());
        return found;
    }

    // pkg.v, pkg.c, pkg.p(...), pkg.f(...), pkg.t(...) from outside the
    // package; false when the name does not start with a package.
    bool resolvePackageMember(Expr& expr, bool asStatement, bool asTarget)
    {
        if (const UnitAst& own = *unit_.ast; own.isPackage && expr.path[0] == own.name) {
            // The package's own members, named with its name.
            expr.path.erase(expr.path.begin());
            if (asTarget)
                resolveTarget(expr);
            else
                resolveName(expr, asStatement);
            return true;
        }
        auto [package, at] = packageOf(expr.path);
        if (!package)
            return false;
        if (!package->valid)
            fail(expr.pos, "PLS-00905: object " + package->qualifiedName + " is invalid");
        const std::string& name = expr.path[at];
        if (const Declaration* declaration = publicDeclaration(*package, name)) {
            packageVariable(expr, *package, *declaration, at, asStatement, asTarget);
            return true;
        }
        std::vector<const CompiledUnit*> candidates;
        for (const auto& local : package->locals) {
            if (local->publicMember && local->ast->name == name)
                candidates.push_back(local.get());
        }
        if (candidates.empty() || at + 1 != expr.path.size() || asTarget)
            fail(expr.pos, "PLS-00302: component '" + name + "' must be declared");
        const CompiledUnit& chosen = chooseOverload(expr, candidates, asStatement, name);
        bindCall(expr, chosen, name);
        expr.package = package.get();
        return true;
    }

    static const Declaration* publicDeclaration(const CompiledUnit& package,
                                                const std::string& name)
    {
        const auto& declarations = package.ast->block.declarations;
        for (std::size_t i = 0; i < package.ast->publicDeclarations; ++i) {
            if (declarations[i].name == name)
                return &declarations[i];
        }
        return nullptr;
    }

    void packageVariable(Expr& expr, const CompiledUnit& package, const Declaration& declaration,
                         std::size_t at, bool asStatement, bool asTarget)
    {
        const std::string display = joinPath(expr.path);
        if (declaration.typeDeclaration) {
            if (asTarget || at + 1 != expr.path.size())
                fail(expr.pos, "PLS-00302: component '" + expr.path[at] + "' must be declared");
            resolveConstructor(expr, *declaration.typeDeclaration, asStatement);
            return;
        }
        if (declaration.slot < 0)
            fail(expr.pos, "PLS-00999: implementation restriction (may be temporary) '" + display
                               + "': a package's exceptions, cursors and %ROWTYPE records are "
                                 "used only inside it");
        if (asStatement)
            fail(expr.pos, "PLS-00221: '" + display + "' is not a procedure or is undefined");
        if (asTarget && declaration.constant)
            fail(expr.pos,
                 "PLS-00363: expression '" + display + "' cannot be used as an assignment target");
        expr.target = Target::Slot;
        expr.index = declaration.slot;
        expr.up = 0;
        expr.package = &package;
        if (at + 1 == expr.path.size() && !expr.hasParens)
            return;
        if (!declaration.type.composite)
            fail(expr.pos, "PLS-00302: component '" + expr.path[at + 1] + "' must be declared");
        resolveMember(expr, declaration.type, at + 1, asStatement);
        if (asTarget && expr.member->method >= 0)
            fail(expr.pos,
                 "PLS-00363: expression '" + display + "' cannot be used as an assignment target");
    }

    // A type named pkg.t.
    const CompositeType* packageType(const std::string& typeName)
    {
        std::vector<std::string> path = splitPath(typeName);
        if (const UnitAst& own = *unit_.ast; own.isPackage && path[0] == own.name)
            path.erase(path.begin());
        if (path.size() == 1) {
            const Symbol* symbol = lookup(path[0]);
            return symbol && symbol->kind == SymbolKind::Type ? symbol->composite : nullptr;
        }
        auto [package, at] = packageOf(path);
        if (!package || !package->valid || at + 1 != path.size())
            return nullptr;
        const Declaration* declaration = publicDeclaration(*package, path[at]);
        return declaration ? declaration->typeDeclaration : nullptr;
    }

    // ------------------------------------------------------------ records and collections

    void resolveType(TypeSpec& type)
    {
        if (type.typeName.empty() || type.composite)
            return;
        if (const auto percent = type.typeName.find('%'); percent != std::string::npos) {
            // t%ROWTYPE, t.c%TYPE, v%TYPE as a parameter's, field's or element's type
            std::vector<std::string> anchor = splitPath(type.typeName.substr(0, percent));
            const SourcePos pos = type.typePos;
            type = type.typeName.substr(percent + 1) == "ROWTYPE" ? rowType(anchor, pos)
                                                                  : anchoredType(anchor, pos);
            return;
        }
        if (type.typeName == "DBMS_OUTPUT.CHARARR") {
            type.composite = &dbmsOutputCharArr();
            return;
        }
        type.composite = packageType(type.typeName);
        if (!type.composite)
            fail(type.typePos, "PLS-00201: identifier '" + type.typeName + "' must be declared");
    }

    void declareType(CompositeType& type)
    {
        for (auto& field : type.fields)
            resolveType(field.type);
        if (type.isCollection())
            resolveType(type.element);
        Symbol symbol{type.name, SymbolKind::Type, -1, nullptr};
        symbol.composite = &type;
        declare(symbol, type.pos);
    }

    const TypeSpec& symbolType(const Symbol& symbol) const
    {
        return units_[static_cast<std::size_t>(symbol.level)]
            ->slotTypes[static_cast<std::size_t>(symbol.slot)];
    }

    bool isCompositeVariable(const Symbol& symbol) const
    {
        return symbol.slot >= 0 && symbolType(symbol).composite != nullptr;
    }

    // The composite type an expression has, if it has one.
    const CompositeType* compositeOf(const Expr& expr) const
    {
        if (expr.kind != ExprKind::Name)
            return nullptr;
        switch (expr.target) {
        case Target::Slot:
            return slotType(expr).composite;
        case Target::Member:
            return expr.member->type.composite;
        case Target::Construct:
            return expr.constructs;
        case Target::Procedure:
            return expr.procedure->ast->returnType.composite;
        default:
            return nullptr;
        }
    }

    TypeSpec targetSpec(const Expr& target) const
    {
        if (target.target == Target::Slot)
            return slotType(target);
        if (target.target == Target::Member)
            return target.member->type;
        TypeSpec unknown;
        unknown.type = ValueType::Null;
        return unknown;
    }

    // A record or collection takes only a value of its own type (a nested
    // table also NULL); a scalar takes no record or collection.
    void checkAssignable(const TypeSpec& target, const Expr& value)
    {
        const CompositeType* given = compositeOf(value);
        if (target.composite) {
            const bool nullLiteral =
                value.kind == ExprKind::Literal && value.literal.type() == ValueType::Null;
            if (!recordAssignable(target.composite, given)
                && !(nullLiteral && target.composite->isDense()))
                fail(value.pos, "PLS-00382: expression is of wrong type");
        } else if (given) {
            fail(value.pos, "PLS-00382: expression is of wrong type");
        }
    }

    void checkScalar(const Expr& expr)
    {
        if (compositeOf(expr))
            fail(expr.pos, "PLS-00306: wrong number or types of arguments in call to '"
                               + describe(expr) + "'");
    }

    void resolveConstructor(Expr& expr, const CompositeType& type, bool asStatement)
    {
        if (!type.isDense() || asStatement)
            fail(expr.pos,
                 "PLS-00222: no function with name '" + type.name + "' exists in this scope");
        for (auto& argument : expr.args) {
            if (!argument.name.empty())
                fail(argument.pos, "PLS-00306: wrong number or types of arguments in call to '"
                                       + type.name + "'");
            resolveExpr(*argument.value);
            checkAssignable(type.element, *argument.value);
        }
        expr.target = Target::Construct;
        expr.constructs = &type;
    }

    // r.f, r.f.g, t(i), r.t(i), t.COUNT, t.NEXT(i), t.DELETE(i, j), ...
    void resolveMember(Expr& expr, const Symbol& base, bool asStatement)
    {
        bindSlot(expr, base);
        resolveMember(expr, symbolType(base), 1, asStatement);
    }

    // The selectors after the variable's name, which stands at path[first - 1].
    void resolveMember(Expr& expr, TypeSpec type, std::size_t first, bool asStatement)
    {
        auto access = std::make_unique<MemberAccess>();
        std::size_t i = first;
        std::size_t subscript = 0;
        for (; i < expr.path.size() && type.composite; ++i) {
            if (expr.path[i].empty()) {
                // t(i) followed by more selectors
                if (!type.composite->isCollection())
                    fail(expr.pos, "PLS-00222: no function with name '" + expr.path[i - 1]
                                       + "' exists in this scope");
                access->steps.push_back(MemberStep{-1, expr.subscripts[subscript++].value.get()});
                type = type.composite->element;
                continue;
            }
            if (type.composite->isCollection())
                break;
            const int field = type.composite->fieldIndex(expr.path[i]);
            if (field < 0)
                fail(expr.pos, "PLS-00302: component '" + expr.path[i] + "' must be declared");
            access->steps.push_back(MemberStep{field, nullptr});
            type = type.composite->fields[static_cast<std::size_t>(field)].type;
        }
        const auto wrong = [&](const std::string& name) {
            fail(expr.pos,
                 "PLS-00306: wrong number or types of arguments in call to '" + name + "'");
        };
        if (i < expr.path.size()) {
            const std::string& name = expr.path[i];
            if (name.empty())
                fail(expr.pos, "PLS-00222: no function with name '" + expr.path[i - 1]
                                   + "' exists in this scope");
            if (!type.composite || i + 1 != expr.path.size())
                fail(expr.pos, "PLS-00302: component '" + name + "' must be declared");
            const auto method = collectionMethod(name);
            if (!method)
                fail(expr.pos, "PLS-00302: component '" + name + "' must be declared");
            const std::size_t count = expr.args.size();
            for (const auto& argument : expr.args) {
                if (!argument.name.empty())
                    wrong(name);
            }
            const bool changes = *method == CollectionMethod::Delete
                                 || *method == CollectionMethod::Extend
                                 || *method == CollectionMethod::Trim;
            if (changes != asStatement)
                fail(expr.pos,
                     asStatement
                         ? "PLS-00221: '" + name + "' is not a procedure or is undefined"
                         : "PLS-00222: no function with name '" + name + "' exists in this scope");
            switch (*method) {
            case CollectionMethod::Count:
            case CollectionMethod::First:
            case CollectionMethod::Last:
            case CollectionMethod::Limit:
                if (expr.hasParens)
                    wrong(name);
                break;
            case CollectionMethod::Next:
            case CollectionMethod::Prior:
            case CollectionMethod::Exists:
                if (count != 1)
                    wrong(name);
                break;
            case CollectionMethod::Delete:
                // a varray loses elements only from its end
                if (count > 2 || (count > 0 && type.composite->kind == CompositeType::Kind::Varray))
                    wrong(name);
                break;
            case CollectionMethod::Extend:
            case CollectionMethod::Trim:
                if (count > 1 || !type.composite->isDense())
                    wrong(name);
                break;
            }
            access->method = static_cast<int>(*method);
            TypeSpec result;
            result.type = *method == CollectionMethod::Exists ? ValueType::Boolean
                          : *method == CollectionMethod::Count || *method == CollectionMethod::Limit
                                  || !type.composite->stringKeys
                              ? ValueType::Number
                              : ValueType::Varchar2;
            type = result;
        } else if (expr.hasParens) {
            if (!type.composite || !type.composite->isCollection())
                fail(expr.pos, "PLS-00222: no function with name '" + describe(expr)
                                   + "' exists in this scope");
            if (expr.args.size() != 1 || !expr.args[0].name.empty())
                wrong(expr.path.back());
            access->element = true;
            type = type.composite->element;
        } else if (asStatement) {
            fail(expr.pos,
                 "PLS-00221: '" + describe(expr) + "' is not a procedure or is undefined");
        }
        for (auto* arguments : {&expr.subscripts, &expr.args}) {
            for (auto& argument : *arguments) {
                resolveExpr(*argument.value);
                checkScalar(*argument.value);
            }
        }
        access->type = type;
        expr.target = Target::Member;
        expr.member = std::move(access);
    }

    // A call of a local subprogram; among overloads, the first whose
    // parameters take the arguments by number and name.
    void resolveLocalCall(Expr& expr, const Symbol& found, bool asStatement)
    {
        const std::string& name = expr.path[0];
        std::vector<const Symbol*> symbols;
        std::vector<const CompiledUnit*> candidates;
        for (const auto& scope : scopes_) {
            if (scope.empty() || &found < scope.data() || &found >= scope.data() + scope.size())
                continue;
            for (const auto& symbol : scope) {
                if (symbol.name == name && symbol.kind == SymbolKind::Subprogram) {
                    symbols.push_back(&symbol);
                    candidates.push_back(symbol.subprogram);
                }
            }
        }
        const CompiledUnit& chosen = chooseOverload(expr, candidates, asStatement, name);
        bindCall(expr, chosen, name);
        for (const Symbol* symbol : symbols) {
            if (symbol->subprogram == &chosen)
                expr.up = static_cast<std::uint8_t>(level() - symbol->level);
        }
    }

    // Among overloads, the one whose parameters take the arguments by
    // number and name, and then best by the plain types of the arguments.
    const CompiledUnit& chooseOverload(const Expr& expr,
                                       const std::vector<const CompiledUnit*>& candidates,
                                       bool asStatement, const std::string& name)
    {
        const CompiledUnit* chosen = nullptr;
        int bestScore = -1;
        bool tie = false;
        for (const CompiledUnit* candidate : candidates) {
            const UnitAst& ast = *candidate->ast;
            if (ast.isFunction == asStatement || !takesArguments(expr, ast))
                continue;
            const int score = typeScore(expr, ast);
            tie = tie || score == bestScore;
            if (score > bestScore) {
                chosen = candidate;
                bestScore = score;
                tie = false;
            }
        }
        if (chosen && tie) {
            const bool unknown =
                std::any_of(expr.args.begin(), expr.args.end(), [&](const Argument& argument) {
                    return apparentType(*argument.value) == ValueType::Null;
                });
            // Rather than guess, say what is missing.
            if (unknown)
                fail(expr.pos,
                     "PLS-00999: implementation restriction (may be temporary) overloads of '"
                         + name + "' are told apart only by literals and variables as arguments");
            fail(expr.pos, "PLS-00307: too many declarations of '" + name + "' match this call");
        }
        if (!chosen) {
            const bool anyOfKind =
                std::any_of(candidates.begin(), candidates.end(), [&](const CompiledUnit* c) {
                    return c->ast->isFunction != asStatement;
                });
            if (!anyOfKind && asStatement)
                fail(expr.pos, "PLS-00221: '" + name + "' is not a procedure or is undefined");
            if (!anyOfKind)
                fail(expr.pos,
                     "PLS-00222: no function with name '" + name + "' exists in this scope");
            fail(expr.pos,
                 "PLS-00306: wrong number or types of arguments in call to '" + name + "'");
        }
        return *chosen;
    }

    // The type an argument plainly has: a literal's, or a variable's;
    // Null when that takes resolving (which happens once, after the choice).
    ValueType apparentType(const Expr& argument) const
    {
        if (argument.kind == ExprKind::Literal)
            return argument.literal.type();
        if (argument.kind == ExprKind::Name && argument.path.size() == 1 && !argument.hasParens) {
            const Symbol* symbol = lookup(argument.path[0]);
            if (symbol && symbol->slot >= 0)
                return symbolType(*symbol).type;
        }
        return ValueType::Null;
    }

    // How many positional arguments have plainly the type of their
    // parameter: overloads that differ by type are told apart by it.
    int typeScore(const Expr& call, const UnitAst& unit) const
    {
        int score = 0;
        for (std::size_t i = 0; i < call.args.size() && i < unit.parameters.size(); ++i) {
            if (!call.args[i].name.empty())
                break;
            if (apparentType(*call.args[i].value) == unit.parameters[i].type.type)
                ++score;
        }
        return score;
    }

    // Whether the arguments fit the parameters by number and name.
    static bool takesArguments(const Expr& call, const UnitAst& unit)
    {
        const auto& params = unit.parameters;
        std::vector<bool> given(params.size(), false);
        std::size_t position = 0;
        for (const auto& argument : call.args) {
            std::size_t index = position;
            if (argument.name.empty()) {
                if (position >= params.size())
                    return false;
                ++position;
            } else {
                const auto named =
                    std::find_if(params.begin(), params.end(),
                                 [&](const Parameter& p) { return p.name == argument.name; });
                if (named == params.end())
                    return false;
                index = static_cast<std::size_t>(named - params.begin());
            }
            given[index] = true;
        }
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (!given[i] && !params[i].defaultValue)
                return false;
        }
        return true;
    }

    // [owner.]seq.NEXTVAL and [owner.]seq.CURRVAL, as values only.
    bool resolveSequence(Expr& expr)
    {
        const auto& path = expr.path;
        if (path.size() < 2 || path.size() > 3 || expr.hasParens || !expr.subscripts.empty()
            || (path.back() != "NEXTVAL" && path.back() != "CURRVAL"))
            return false;
        const std::vector<std::string> name(path.begin(), path.end() - 1);
        if (!environment_.mayUseSequence(unit_.owner, name))
            return false;
        expr.path = {name.size() == 2 ? name[0] : unit_.owner, name.back(), path.back()};
        expr.target = Target::Sequence;
        return true;
    }

    static std::vector<ParamInfo> paramsOf(const BuiltinDef& builtin)
    {
        std::vector<ParamInfo> params;
        for (const auto& parameter : builtin.params)
            params.push_back(ParamInfo{parameter.name, parameter.mode, parameter.optional});
        return params;
    }

    void resolveBuiltin(Expr& expr, const BuiltinDef& builtin, bool asStatement)
    {
        const std::string display(builtin.name);
        if (asStatement && builtin.isFunction)
            fail(expr.pos, "PLS-00221: '" + display + "' is not a procedure or is undefined");
        if (!asStatement && !builtin.isFunction)
            fail(expr.pos,
                 "PLS-00222: no function with name '" + display + "' exists in this scope");
        if (builtin.variadic)
            matchVariadic(expr, builtin.minArgs, display);
        else
            matchArguments(expr, paramsOf(builtin), display);
        for (const auto& argument : expr.args) {
            const CompositeType* composite = compositeOf(*argument.value);
            const bool lines = builtin.name == "GET_LINES" && &argument == &expr.args.front();
            if (lines ? composite != &dbmsOutputCharArr() : composite != nullptr)
                fail(expr.pos,
                     "PLS-00306: wrong number or types of arguments in call to '" + display + "'");
        }
        expr.target = Target::Builtin;
        expr.builtin = &builtin;
    }

    // GREATEST, COALESCE, DECODE...: positional arguments only, at least
    // `least` of them. `resolve` off: the arguments are SQL's, resolved there.
    void matchVariadic(Expr& call, std::size_t least, const std::string& display,
                       bool resolve = true)
    {
        if (call.args.size() < least
            || std::any_of(call.args.begin(), call.args.end(),
                           [](const Argument& a) { return !a.name.empty(); }))
            fail(call.pos,
                 "PLS-00306: wrong number or types of arguments in call to '" + display + "'");
        if (!resolve)
            return;
        for (auto& argument : call.args)
            resolveExpr(*argument.value);
    }

    void matchArguments(Expr& call, const std::vector<ParamInfo>& params,
                        const std::string& display, bool resolve = true)
    {
        const auto wrong = [&]() {
            fail(call.pos,
                 "PLS-00306: wrong number or types of arguments in call to '" + display + "'");
        };
        call.ordered.assign(params.size(), nullptr);
        std::size_t position = 0;
        for (auto& argument : call.args) {
            std::size_t index = position;
            if (argument.name.empty()) {
                if (position >= params.size())
                    wrong();
                ++position;
            } else {
                index = params.size();
                for (std::size_t i = 0; i < params.size(); ++i) {
                    if (params[i].name == argument.name)
                        index = i;
                }
                if (index == params.size() || call.ordered[index])
                    wrong();
            }
            call.ordered[index] = argument.value.get();
            if (!resolve)
                continue;
            if (params[index].mode == ParamMode::In) {
                resolveExpr(*argument.value);
            } else {
                if (params[index].mode == ParamMode::InOut)
                    resolveExpr(*argument.value);
                resolveTarget(*argument.value);
            }
        }
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (!call.ordered[i] && !params[i].hasDefault)
                wrong();
        }
    }

    CompiledUnit& unit_;
    CompileEnvironment& environment_;
    std::vector<CompiledUnit*> units_; // the unit being compiled and the local ones it is inside
    std::vector<std::vector<Symbol>> scopes_;
    std::map<std::string, const CompositeType*> rowTypes_; // by what they are of
    std::vector<const Stmt*> loops_; // the loops around the statement, innermost last
    int handlerDepth_ = 0;
    bool inStatement_ = false;
    SourcePos statementPos_;
};

} // namespace

void compile(CompiledUnit& unit, CompileEnvironment& environment)
{
    Compiler(unit, environment).run();
}

} // namespace vexmoor::engine
