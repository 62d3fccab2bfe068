#include "Compiler.h"

#include "Builtins.h"
#include "Parser.h"
#include "SqlAst.h"

#include <array>
#include <optional>
#include <string_view>

namespace vexmoor::engine {

namespace {

struct PredefinedException {
    std::string_view name;
    int code;
};

constexpr std::array kPredefinedExceptions{
    PredefinedException{"NO_DATA_FOUND", 1403},
    PredefinedException{"VALUE_ERROR", 6502},
    PredefinedException{"ZERO_DIVIDE", 1476},
    PredefinedException{"INVALID_NUMBER", 1722},
    PredefinedException{"TOO_MANY_ROWS", 1422},
    PredefinedException{"PROGRAM_ERROR", 6501},
    PredefinedException{"STORAGE_ERROR", 6500},
    PredefinedException{"CASE_NOT_FOUND", 6592},
    PredefinedException{"LOGIN_DENIED", 1017},
    PredefinedException{"NOT_LOGGED_ON", 1012},
    PredefinedException{"DUP_VAL_ON_INDEX", 1},
    PredefinedException{"TIMEOUT_ON_RESOURCE", 51},
};

std::optional<int> predefinedException(const std::string& name)
{
    for (const auto& entry : kPredefinedExceptions) {
        if (entry.name == name)
            return entry.code;
    }
    return std::nullopt;
}

enum class SymbolKind { Variable, Constant, InParam, OutParam, LoopCounter, Exception, Record, Cursor };

struct Symbol {
    std::string_view name;
    SymbolKind kind;
    int slot;
    const Declaration* declaration;
    SqlAst* record = nullptr; // Record: what keeps its fields; Cursor: its query
    bool fixedFields = false; // a %ROWTYPE record: no fields but its columns
};

struct ParamInfo {
    std::string_view name;
    ParamMode mode;
    bool hasDefault;
};

std::string joinPath(const std::vector<std::string>& path)
{
    std::string text;
    for (const auto& part : path) {
        if (!text.empty())
            text += '.';
        text += part;
    }
    return text;
}

class Compiler {
public:
    Compiler(CompiledUnit& unit, CompileEnvironment& environment) : unit_(unit), environment_(environment) {}

    void run()
    {
        UnitAst& ast = *unit_.ast;
        scopes_.emplace_back();
        for (auto& parameter : ast.parameters) {
            if (parameter.defaultValue) {
                if (parameter.mode != ParamMode::In)
                    throw compileError(parameter.pos, "PLS-00230: OUT and IN OUT formal parameters may not have default expressions");
                resolveExpr(*parameter.defaultValue);
            }
            parameter.slot = newSlot(parameter.type, false);
            declare(Symbol{parameter.name,
                           parameter.mode == ParamMode::In ? SymbolKind::InParam : SymbolKind::OutParam,
                           parameter.slot, nullptr},
                    parameter.pos);
        }
        resolveBlock(ast.block);
        scopes_.pop_back();
    }

private:
    [[noreturn]] void fail(const SourcePos& pos, const std::string& text)
    {
        if (inStatement_)
            throw compileError(pos, text, statementPos_);
        throw compileError(pos, text);
    }

    int newSlot(const TypeSpec& type, bool notNull)
    {
        unit_.slotTypes.push_back(type);
        unit_.slotNotNull.push_back(notNull);
        return static_cast<int>(unit_.slotTypes.size() - 1);
    }

    void declare(const Symbol& symbol, const SourcePos& pos)
    {
        for (const auto& existing : scopes_.back()) {
            if (existing.name == symbol.name)
                fail(pos, "PLS-00371: at most one declaration for '" + std::string(symbol.name) + "' is permitted");
        }
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
        for (auto& declaration : block.declarations) {
            if (declaration.isException) {
                declare(Symbol{declaration.name, SymbolKind::Exception, -1, &declaration}, declaration.pos);
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
                declaration.type = anchoredType(declaration);
            if (declaration.init)
                resolveExpr(*declaration.init);
            declaration.slot = newSlot(declaration.type, declaration.notNull);
            declare(Symbol{declaration.name,
                           declaration.constant ? SymbolKind::Constant : SymbolKind::Variable,
                           declaration.slot, &declaration},
                    declaration.pos);
        }
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

    ExceptionRef resolveException(const std::vector<std::string>& path, const SourcePos& pos)
    {
        const std::string& last = path.back();
        if (path.size() == 1) {
            if (const Symbol* symbol = lookup(last)) {
                if (symbol->kind != SymbolKind::Exception)
                    fail(pos, "PLS-00320: the declaration of the type of this expression is incomplete or malformed");
                return ExceptionRef{0, symbol->declaration};
            }
        }
        if (path.size() == 1 || (path.size() == 2 && path[0] == "STANDARD")) {
            if (const auto code = predefinedException(last))
                return ExceptionRef{*code, nullptr};
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
        case StmtKind::Return: break;
        case StmtKind::Assign:
            resolveExpr(*stmt.value);
            resolveTarget(*stmt.target);
            break;
        case StmtKind::Call: resolveName(*stmt.target, true); break;
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
            ++loopDepth_;
            resolveStatements(stmt.body);
            --loopDepth_;
            break;
        case StmtKind::For: resolveFor(stmt); break;
        case StmtKind::Exit:
            if (loopDepth_ == 0)
                fail(stmt.pos, "PLS-00376: illegal EXIT statement; it must appear inside a loop");
            if (stmt.value)
                resolveCondition(*stmt.value);
            break;
        case StmtKind::Raise:
            if (stmt.name.empty()) {
                if (handlerDepth_ == 0)
                    fail(stmt.pos, "PLS-00367: a RAISE statement with no exception name must be inside an exception handler");
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
        case StmtKind::Block: resolveBlock(*stmt.block); break;
        case StmtKind::Sql: resolveSql(*stmt.sql); break;
        case StmtKind::CursorFor: resolveCursorFor(stmt); break;
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
        ++loopDepth_;
        resolveStatements(stmt.body);
        --loopDepth_;
        scopes_.pop_back();
    }

    // ------------------------------------------------------------ SQL

    // Names in SQL that are PL/SQL variables become binds; the rest are left
    // for the table's columns when the statement runs.
    void resolveSqlExpr(Expr& expr)
    {
        if (expr.kind == ExprKind::Name && !expr.hasParens) {
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
                if (symbol->kind == SymbolKind::Record && expr.path.size() == 2) {
                    expr.target = Target::Slot;
                    expr.index = recordField(*symbol, expr.path[1], expr.pos);
                } else if (symbol->kind != SymbolKind::Exception && symbol->kind != SymbolKind::Record
                           && expr.path.size() == 1) {
                    expr.target = Target::Slot;
                    expr.index = symbol->slot;
                }
            }
            return;
        }
        if (expr.kind == ExprKind::Name && expr.path.size() == 1 && expr.path[0] == "*")
            return;
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
        if (sql.kind == SqlKind::Fetch || sql.kind == SqlKind::Close) {
            const Symbol* symbol = lookup(sql.cursorName);
            if (!symbol)
                fail(sql.cursorPos, "PLS-00201: identifier '" + sql.cursorName + "' must be declared");
            if (symbol->kind != SymbolKind::Cursor)
                fail(sql.cursorPos, "PLS-00456: item '" + sql.cursorName + "' is not a cursor");
            sql.cursor = symbol->record->cursor;
        }
        resolveIntoTargets(sql.into);
        if (sql.where)
            resolveSqlExpr(*sql.where);
        for (auto& order : sql.orderBy)
            resolveSqlExpr(*order.expr);
        for (auto& value : sql.values)
            resolveSqlExpr(*value);
    }

    // A field of a cursor FOR loop's record gets a slot when first used; its
    // value is the fetched column as it is, so the slot has no type of its own.
    int recordField(const Symbol& record, const std::string& field, const SourcePos& pos)
    {
        for (const auto& [name, slot] : record.record->recordFields) {
            if (name == field)
                return slot;
        }
        if (record.fixedFields)
            fail(pos, "PLS-00302: component '" + field + "' must be declared");
        TypeSpec untyped;
        untyped.type = ValueType::Null;
        const int slot = newSlot(untyped, false);
        record.record->recordFields.emplace_back(field, slot);
        return slot;
    }

    void resolveCursorDeclaration(Declaration& declaration)
    {
        SqlAst& query = *declaration.cursor;
        scopes_.emplace_back();
        for (auto& parameter : query.parameters) {
            if (parameter.defaultValue)
                resolveExpr(*parameter.defaultValue);
            parameter.slot = newSlot(parameter.type, false);
            declare(Symbol{parameter.name, SymbolKind::InParam, parameter.slot, nullptr}, parameter.pos);
        }
        resolveSql(query);
        scopes_.pop_back();
        query.cursor = static_cast<int>(unit_.cursors.size());
        unit_.cursors.push_back(&query);
        declare(Symbol{declaration.name, SymbolKind::Cursor, -1, &declaration, &query}, declaration.pos);
    }

    // OPEN c(args) and FOR r IN c(args): the cursor and its arguments.
    void resolveCursorUse(SqlAst& use)
    {
        const Symbol* symbol = lookup(use.cursorName);
        if (!symbol)
            fail(use.cursorPos, "PLS-00201: identifier '" + use.cursorName + "' must be declared");
        if (symbol->kind != SymbolKind::Cursor)
            fail(use.cursorPos, "PLS-00456: item '" + use.cursorName + "' is not a cursor");
        use.cursor = symbol->record->cursor;
        const auto& parameters = symbol->record->parameters;
        if (use.values.size() > parameters.size())
            fail(use.cursorPos, "PLS-00306: wrong number or types of arguments in call to '" + use.cursorName + "'");
        for (std::size_t i = use.values.size(); i < parameters.size(); ++i) {
            if (!parameters[i].defaultValue)
                fail(use.cursorPos, "PLS-00306: wrong number or types of arguments in call to '" + use.cursorName + "'");
        }
        for (auto& value : use.values)
            resolveExpr(*value);
    }

    // The names a query's rows have: aliases, column names, or the table's
    // columns for *.
    std::vector<std::pair<std::string, TypeSpec>> queryColumns(const SqlAst& query, const SourcePos& pos)
    {
        std::vector<std::pair<std::string, TypeSpec>> columns;
        TypeSpec untyped;
        untyped.type = ValueType::Null;
        for (const auto& item : query.items) {
            if (!item.expr) {
                auto table = environment_.tableColumns(unit_.owner, query.table);
                if (!table)
                    fail(pos, "PLS-00201: identifier '" + joinPath(query.table) + "' must be declared");
                columns.insert(columns.end(), table->begin(), table->end());
            } else if (!item.alias.empty()) {
                columns.emplace_back(item.alias, untyped);
            } else if (item.expr->kind == ExprKind::Name && !item.expr->hasParens) {
                columns.emplace_back(item.expr->path.back(), untyped);
            } else {
                fail(pos, "PLS-00402: alias required in SELECT list of cursor to avoid duplicate column names");
            }
        }
        return columns;
    }

    void resolveRowType(Declaration& declaration)
    {
        std::vector<std::pair<std::string, TypeSpec>> columns;
        const Symbol* cursor = declaration.anchor.size() == 1 ? lookup(declaration.anchor[0]) : nullptr;
        if (cursor && cursor->kind == SymbolKind::Cursor) {
            columns = queryColumns(*cursor->record, declaration.pos);
        } else if (auto table = environment_.tableColumns(unit_.owner, declaration.anchor)) {
            columns = std::move(*table);
        } else {
            fail(declaration.pos, "PLS-00201: identifier '" + joinPath(declaration.anchor) + "' must be declared");
        }
        auto& record = records_.emplace_back(std::make_unique<SqlAst>());
        for (const auto& [name, type] : columns) {
            record->recordFields.emplace_back(name, newSlot(type, false));
            declaration.fieldSlots.push_back(record->recordFields.back().second);
        }
        Symbol symbol{declaration.name, SymbolKind::Record, -1, &declaration, record.get()};
        symbol.fixedFields = true;
        declare(symbol, declaration.pos);
    }

    TypeSpec anchoredType(const Declaration& declaration)
    {
        const auto& anchor = declaration.anchor;
        if (const Symbol* symbol = lookup(anchor[0])) {
            if (anchor.size() == 1 && symbol->slot >= 0)
                return unit_.slotTypes[static_cast<std::size_t>(symbol->slot)];
            if (anchor.size() == 2 && symbol->kind == SymbolKind::Record)
                return unit_.slotTypes[static_cast<std::size_t>(recordField(*symbol, anchor[1], declaration.pos))];
        }
        if (anchor.size() >= 2) {
            const std::vector<std::string> table(anchor.begin(), anchor.end() - 1);
            if (auto columns = environment_.tableColumns(unit_.owner, table)) {
                for (const auto& [name, type] : *columns) {
                    if (name == anchor.back())
                        return type;
                }
                fail(declaration.pos, "PLS-00302: component '" + anchor.back() + "' must be declared");
            }
        }
        fail(declaration.pos, "PLS-00201: identifier '" + joinPath(anchor) + "' must be declared");
    }

    // INTO a record means INTO each of its fields in turn.
    void resolveIntoTargets(std::vector<std::unique_ptr<Expr>>& into)
    {
        std::vector<std::unique_ptr<Expr>> expanded;
        for (auto& target : into) {
            const Symbol* symbol = target->kind == ExprKind::Name && target->path.size() == 1 && !target->hasParens
                                       ? lookup(target->path[0])
                                       : nullptr;
            if (symbol && symbol->kind == SymbolKind::Record && symbol->fixedFields) {
                for (const auto& [name, slot] : symbol->record->recordFields) {
                    auto field = std::make_unique<Expr>();
                    field->kind = ExprKind::Name;
                    field->pos = target->pos;
                    field->path = {target->path[0], name};
                    field->target = Target::Slot;
                    field->index = slot;
                    expanded.push_back(std::move(field));
                }
                continue;
            }
            resolveTarget(*target);
            expanded.push_back(std::move(target));
        }
        into = std::move(expanded);
    }

    void resolveCursorFor(Stmt& stmt)
    {
        if (stmt.sql->kind == SqlKind::Open)
            resolveCursorUse(*stmt.sql);
        else
            resolveSql(*stmt.sql);
        scopes_.emplace_back();
        declare(Symbol{stmt.name, SymbolKind::Record, -1, nullptr, stmt.sql.get()}, stmt.namePos);
        ++loopDepth_;
        resolveStatements(stmt.body);
        --loopDepth_;
        scopes_.pop_back();
    }

    void resolveCursorAttribute(Expr& expr)
    {
        if (expr.path[0] == "SQL")
            return;
        const Symbol* symbol = lookup(expr.path[0]);
        if (!symbol)
            fail(expr.pos, "PLS-00201: identifier '" + expr.path[0] + "' must be declared");
        if (symbol->kind != SymbolKind::Cursor)
            fail(expr.pos, "PLS-00324: cursor attribute may not be applied to non-cursor '" + expr.path[0] + "'");
        expr.index = symbol->record->cursor;
    }

    // ------------------------------------------------------------ expressions

    ValueType staticType(const Expr& expr) const
    {
        switch (expr.kind) {
        case ExprKind::Literal: return expr.literal.type();
        case ExprKind::Bind: return ValueType::Null;
        case ExprKind::Name:
            if (expr.target == Target::Slot)
                return unit_.slotTypes[static_cast<std::size_t>(expr.index)].type;
            if (expr.target == Target::Builtin)
                return expr.builtin->result;
            return ValueType::Null;
        case ExprKind::CursorAttribute: return expr.path[1] == "ROWCOUNT" ? ValueType::Number : ValueType::Boolean;
        case ExprKind::Unary:
            return expr.op == Operator::Negate || expr.op == Operator::Plus ? ValueType::Number : ValueType::Boolean;
        case ExprKind::Binary:
            switch (expr.op) {
            case Operator::Concat: return ValueType::Varchar2;
            case Operator::Add:
            case Operator::Subtract:
            case Operator::Multiply:
            case Operator::Divide:
            case Operator::Power:
            case Operator::Mod: return ValueType::Null;
            default: return ValueType::Boolean;
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
        case ExprKind::Bind: return;
        case ExprKind::CursorAttribute: resolveCursorAttribute(expr); return;
        case ExprKind::Name: resolveName(expr, false); return;
        case ExprKind::Unary:
            resolveExpr(*expr.left);
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
            if (expr.op == Operator::And || expr.op == Operator::Or) {
                checkBoolean(*expr.left);
                checkBoolean(*expr.right);
            } else if (expr.op != Operator::Equal && expr.op != Operator::NotEqual && expr.op != Operator::In) {
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
        if (expr.kind == ExprKind::Name && expr.path.size() == 2 && !expr.hasParens) {
            if (const Symbol* record = lookup(expr.path[0]); record && record->kind == SymbolKind::Record && record->fixedFields) {
                expr.target = Target::Slot;
                expr.index = recordField(*record, expr.path[1], expr.pos);
                return;
            }
        }
        const Symbol* symbol = expr.kind == ExprKind::Name && expr.path.size() == 1 && !expr.hasParens
                                   ? lookup(expr.path[0])
                                   : nullptr;
        if (!symbol) {
            if (expr.kind == ExprKind::Name && expr.path.size() == 1 && !expr.hasParens)
                fail(expr.pos, "PLS-00201: identifier '" + expr.path[0] + "' must be declared");
            fail(expr.pos, "PLS-00363: expression '" + describe(expr) + "' cannot be used as an assignment target");
        }
        if (symbol->kind != SymbolKind::Variable && symbol->kind != SymbolKind::OutParam)
            fail(expr.pos, "PLS-00363: expression '" + expr.path[0] + "' cannot be used as an assignment target");
        expr.target = Target::Slot;
        expr.index = symbol->slot;
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
        if (path.size() == 2 && !expr.hasParens && !asStatement) {
            if (const Symbol* symbol = lookup(path[0]); symbol && symbol->kind == SymbolKind::Record) {
                expr.target = Target::Slot;
                expr.index = recordField(*symbol, path[1], expr.pos);
                return;
            }
        }
        if (path.size() == 1) {
            if (const Symbol* symbol = lookup(path[0])) {
                if (asStatement)
                    fail(expr.pos, "PLS-00221: '" + path[0] + "' is not a procedure or is undefined");
                if (expr.hasParens)
                    fail(expr.pos, "PLS-00222: no function with name '" + path[0] + "' exists in this scope");
                if (symbol->kind == SymbolKind::Record)
                    fail(expr.pos, "PLS-00999: implementation restriction (may be temporary) a record is only used by its fields");
                if (symbol->kind == SymbolKind::Exception)
                    fail(expr.pos, "PLS-00321: expression '" + path[0] + "' is inappropriate as the left hand side of an assignment statement");
                expr.target = Target::Slot;
                expr.index = symbol->slot;
                return;
            }
        }

        std::string_view package;
        std::string_view name;
        if (path.size() == 1) {
            name = path[0];
        } else if (path.size() == 2 && path[0] == "DBMS_PIPE") {
            package = path[0];
            name = path[1];
        } else if (path.size() == 3 && path[0] == "SYS" && path[1] == "DBMS_PIPE") {
            package = path[1];
            name = path[2];
        } else if (path.size() == 2 && path[0] == "STANDARD") {
            name = path[1];
        }
        if (!package.empty() && !environment_.mayUseDbmsPipe(unit_.owner))
            fail(expr.pos, "PLS-00201: identifier '" + std::string(path.size() == 3 ? "SYS.DBMS_PIPE" : "DBMS_PIPE")
                               + "' must be declared");
        if (const BuiltinDef* builtin = findBuiltin(package, name)) {
            resolveBuiltin(expr, *builtin, asStatement);
            return;
        }
        if (!package.empty())
            fail(expr.pos, "PLS-00302: component '" + std::string(name) + "' must be declared");

        auto procedure = environment_.procedure(unit_.owner, path);
        if (!procedure)
            fail(expr.pos, "PLS-00201: identifier '" + joinPath(path) + "' must be declared");
        if (!asStatement)
            fail(expr.pos, "PLS-00222: no function with name '" + joinPath(path) + "' exists in this scope");
        if (!procedure->valid)
            fail(expr.pos, "PLS-00905: object " + procedure->qualifiedName + " is invalid");
        std::vector<ParamInfo> params;
        for (const auto& parameter : procedure->ast->parameters)
            params.push_back(ParamInfo{parameter.name, parameter.mode, parameter.defaultValue != nullptr});
        matchArguments(expr, params, joinPath(path));
        expr.target = Target::Procedure;
        expr.procedure = procedure.get();
    }

    void resolveBuiltin(Expr& expr, const BuiltinDef& builtin, bool asStatement)
    {
        const std::string display(builtin.name);
        if (asStatement && builtin.isFunction)
            fail(expr.pos, "PLS-00221: '" + display + "' is not a procedure or is undefined");
        if (!asStatement && !builtin.isFunction)
            fail(expr.pos, "PLS-00222: no function with name '" + display + "' exists in this scope");
        std::vector<ParamInfo> params;
        for (const auto& parameter : builtin.params)
            params.push_back(ParamInfo{parameter.name, parameter.mode, parameter.optional});
        matchArguments(expr, params, display);
        expr.target = Target::Builtin;
        expr.builtin = &builtin;
    }

    void matchArguments(Expr& call, const std::vector<ParamInfo>& params, const std::string& display)
    {
        const auto wrong = [&]() {
            fail(call.pos, "PLS-00306: wrong number or types of arguments in call to '" + display + "'");
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
    std::vector<std::unique_ptr<SqlAst>> records_; // the fields of %ROWTYPE records
    std::vector<std::vector<Symbol>> scopes_;
    int loopDepth_ = 0;
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
