// SQL statements inside PL/SQL: translated to SQLite's SQL when they run,
// with every PL/SQL value passed as a bound parameter, and run on the
// session's tables (SqlTables.h).

#include "Builtins.h"
#include "Composite.h"
#include "Interpreter.h"
#include "SqlAst.h"
#include "SqlTables.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

namespace vexmoor::engine {

namespace {

[[noreturn]] void restriction(const std::string& what)
{
    throw OraError(999, "PLS-00999: implementation restriction (may be temporary) " + what);
}

// How many values an INTO takes: a record's fields, or its targets.
std::size_t intoCount(const SqlAst& sql)
{
    return sql.intoRecord ? sql.intoRecord->fields.size() : sql.into.size();
}

[[noreturn]] void invalidIdentifier(const std::string& name)
{
    throw OraError(904, oraPrefix(904) + ": \"" + name + "\": invalid identifier");
}

std::string joined(const std::vector<std::string>& path)
{
    std::string text;
    for (const auto& part : path)
        text += (text.empty() ? "" : ".") + part;
    return text;
}

std::string_view code(ValueType type)
{
    switch (type) {
    case ValueType::Number:
        return "'N'";
    case ValueType::Date:
        return "'D'";
    default:
        return "'V'";
    }
}

// A translated expression: its SQLite text, its type (Null when unknown, as
// for the literal NULL), and the parameter it is when it is one value.
// `folded`: the parameter holding the value of a computation done here on
// parameters alone (a concatenation), which stands for that computation in
// every other respect (bind stays -1).
struct Typed {
    std::string sql;
    ValueType type = ValueType::Null;
    int bind = -1;
    int folded = -1;
};

// A parameter's value as SQLite hands it back to our functions: an integral
// number comes back from a 64-bit integer, which has no negative zero.
Value throughSqlite(const Value& value)
{
    if (value.type() == ValueType::Number && value.asNumber() == 0)
        return Value::number(0);
    return value;
}

constexpr std::int64_t kNoRowLimit = -1;

bool isDual(const std::vector<std::string>& table)
{
    return (table.size() == 1 && table[0] == "DUAL")
           || (table.size() == 2 && table[0] == "SYS" && table[1] == "DUAL");
}

// A query ready to step: its statement with the parameters bound, and the
// names and types of its columns.
struct PreparedQuery {
    sqlite3_stmt* stmt = nullptr;
    std::vector<std::string> names;
    std::vector<ValueType> types;
};

// A table of a query as its SQL names it (its alias, or its name) and as
// the SQLite text does.
struct TableRef {
    const UserTable* table = nullptr;
    std::string alias;
    std::string qualifier;
};

// A column a name means, and its SQLite text.
struct ColumnRef {
    const TableColumn* column = nullptr;
    std::string sql;
};

class Translator {
public:
    // `table`: the table a change works on, or null for a query (see select).
    Translator(Interpreter& interpreter, Frame& frame, const UserTable* table, std::string alias)
        : interpreter_(interpreter), frame_(frame), table_(table)
    {
        if (table)
            scopes_.push_back(
                {TableRef{table, alias.empty() ? table->object.name : alias, table->sqlName}});
    }

    std::vector<Value>& binds() { return binds_; }
    // The statement makes one row (a query of DUAL, INSERT ... VALUES).
    void makesOneRow() { oneRow_ = true; }

    // SQLite text with each parameter ?N written as its value, so that two
    // expressions with equal literals compare equal (GROUP BY x + 1 and the
    // select item x + 1 have parameters of different numbers).
    std::string boundText(const std::string& sql) const
    {
        std::string text;
        for (std::size_t at = 0; at < sql.size(); ++at) {
            std::size_t end = at + 1;
            while (sql[at] == '?' && end < sql.size()
                   && std::isdigit(static_cast<unsigned char>(sql[end])))
                ++end;
            if (end == at + 1) {
                text += sql[at];
                continue;
            }
            const auto index = std::stoul(sql.substr(at + 1, end - at - 1)) - 1;
            const Value& value = binds_.at(index);
            text +=
                "{" + std::to_string(static_cast<int>(value.type())) + ":"
                + (value.isNull() ? std::string("null") : toText(value, interpreter_.conversion()))
                + "}";
            at = end - 1;
        }
        return text;
    }

    // A query's SQLite text, the names and types of its columns. Its tables
    // join the names in scope, so that a subquery sees the query around it.
    // `named`: its columns carry their names in the text, as an inline
    // view's must.
    std::string select(const SqlAst& sql, std::vector<std::string>& names,
                       std::vector<ValueType>& types, bool named = false);

    Typed translate(const Expr& expr)
    {
        // Under GROUP BY, a column outside an aggregate must be part of an
        // expression grouped by.
        const std::size_t ungrouped = ungrouped_.size();
        Typed typed = translateNode(expr);
        if (grouping_ && aggregateDepth_ == 0 && groupTexts_.contains(boundText(typed.sql)))
            ungrouped_.resize(ungrouped);
        return typed;
    }

    Typed translateNode(const Expr& expr)
    {
        switch (expr.kind) {
        case ExprKind::Subquery:
            return subquery(expr);
        case ExprKind::Literal:
        case ExprKind::Bind:
        case ExprKind::CursorAttribute:
            return bindValue(interpreter_.evaluate(frame_, expr));
        case ExprKind::Name:
            return name(expr);
        case ExprKind::Unary:
            return unary(expr);
        case ExprKind::Binary:
            return binary(expr);
        case ExprKind::Case:
            restriction("CASE in SQL");
        }
        restriction("this expression in SQL");
    }

    Typed condition(const Expr& expr)
    {
        Typed typed = translate(expr);
        if (typed.type != ValueType::Boolean && typed.type != ValueType::Null)
            throw OraError(920, oraPrefix(920) + ": invalid relational operator");
        return typed;
    }

    // " RETURNING e, ..." of a change, the types of its values in `types`;
    // as many as the INTO targets, or the fields of one record.
    std::string returningClause(const SqlAst& sql, std::vector<ValueType>& types)
    {
        std::string text;
        for (const auto& item : sql.items) {
            const Typed typed = translate(*item.expr);
            if (typed.type == ValueType::Boolean)
                throw OraError(920, oraPrefix(920) + ": invalid relational operator");
            text += (text.empty() ? " RETURNING " : ", ") + typed.sql;
            types.push_back(typed.type == ValueType::Null ? ValueType::Varchar2 : typed.type);
        }
        const std::size_t targets =
            sql.intoRecord ? sql.intoRecord->fields.size() : sql.into.size();
        if (types.size() > targets)
            throw OraError(913, oraPrefix(913) + ": too many values");
        if (types.size() < targets)
            throw OraError(947, oraPrefix(947) + ": not enough values");
        return text;
    }

    // A value worked out already (a DEFAULT), checked for its column.
    std::string valueForColumn(const TableColumn& column, Value value)
    {
        Typed typed = bindValue(std::move(value));
        auto& bound = binds_[static_cast<std::size_t>(typed.bind)];
        bound = fitColumn(*table_, column, bound, interpreter_.conversion());
        return typed.sql;
    }

    // A value for a column: a parameter converted and checked here, or a
    // computed value checked by vx_fit as the row is written.
    std::string forColumn(const TableColumn& column, const Expr& expr)
    {
        Typed typed = translate(expr);
        if (typed.bind >= 0) {
            auto& value = binds_[static_cast<std::size_t>(typed.bind)];
            value = fitColumn(*table_, column, value, interpreter_.conversion());
            return typed.sql;
        }
        if (typed.type != ValueType::Null && typed.type != column.type.type)
            restriction(std::string(typeName(typed.type)) + " value for the "
                        + std::string(typeName(column.type.type)) + " column " + column.name);
        if (typed.folded >= 0) {
            // A value that fits is written as it is; one that does not is
            // left to vx_fit, so that its error comes as the row is written,
            // after those of the columns before it.
            auto& value = binds_[static_cast<std::size_t>(typed.folded)];
            try {
                value = fitColumn(*table_, column, value, interpreter_.conversion());
                return typed.sql;
            } catch (const OraError&) {
            }
        }
        return "vx_fit(" + typed.sql + ", " + std::string(code(column.type.type)) + ", "
               + std::to_string(column.type.length) + ", " + std::to_string(column.type.precision)
               + ", " + std::to_string(column.type.scale) + ", " + quotedText(table_->object.owner)
               + ", " + quotedText(table_->object.name) + ", " + quotedText(column.name) + ")";
    }

private:
    static std::string quotedText(const std::string& text)
    {
        std::string result = "'";
        for (const char c : text) {
            result += c;
            if (c == '\'')
                result += '\'';
        }
        return result + "'";
    }

    Typed bindValue(Value value)
    {
        if (value.type() == ValueType::Boolean)
            throw OraError(382, "PLS-00382: expression is of wrong type");
        if (value.type() == ValueType::Raw || value.type() == ValueType::Rowid)
            restriction(std::string(typeName(value.type())) + " values in SQL");
        Typed typed{"?" + std::to_string(binds_.size() + 1), value.type(),
                    static_cast<int>(binds_.size())};
        binds_.push_back(std::move(value));
        return typed;
    }

    // The column a name means: in the innermost query that has it, its
    // alias first; ORA-00918 when two tables of one query have it.
    std::optional<ColumnRef> columnOf(const std::vector<std::string>& path) const
    {
        if (path.empty() || path.size() > 2)
            return std::nullopt;
        for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
            std::optional<ColumnRef> found;
            for (const TableRef& ref : *scope) {
                if (path.size() == 2 && path[0] != ref.alias)
                    continue;
                const TableColumn* column = ref.table->column(path.back());
                if (!column)
                    continue;
                if (found)
                    throw OraError(918, oraPrefix(918) + ": column ambiguously defined");
                found = ColumnRef{column, ref.qualifier + "." + quotedName(column->name)};
            }
            if (found)
                return found;
        }
        return std::nullopt;
    }

    Typed name(const Expr& expr)
    {
        // A NEXTVAL is taken once per statement: right only where the
        // statement makes one row.
        if (expr.target == Target::Sequence) {
            if (expr.path[2] == "NEXTVAL" && !oneRow_)
                restriction("NEXTVAL in a query of a table, in UPDATE or in INSERT ... SELECT");
            return bindValue(interpreter_.evaluate(frame_, expr));
        }
        // A record's field or a collection's element, unless a column has
        // the name or a subscript depends on the row.
        if (expr.target == Target::Member && !columnOf(expr.path) && !subscriptsUseColumns(expr))
            return bindValue(interpreter_.evaluate(frame_, expr));
        if (expr.hasParens)
            return function(expr);
        if (const auto column = columnOf(expr.path)) {
            if (aggregateDepth_ == 0) {
                sawBareColumn_ = true;
                if (grouping_)
                    ungrouped_.push_back(column->sql);
            }
            return Typed{column->sql, column->column->type.type, -1};
        }
        if (expr.target == Target::Slot || expr.target == Target::Builtin)
            return bindValue(interpreter_.evaluate(frame_, expr));
        if (expr.path.size() == 1
            && (expr.path[0] == "ROWNUM" || expr.path[0] == "ROWID" || expr.path[0] == "LEVEL"))
            restriction(expr.path[0] + " in SQL");
        invalidIdentifier(joined(expr.path));
    }

    Typed function(const Expr& expr)
    {
        const std::string fn = expr.path.size() == 1 ? expr.path[0] : joined(expr.path);
        const bool aggregate =
            fn == "COUNT" || fn == "SUM" || fn == "MIN" || fn == "MAX" || fn == "AVG";
        if (aggregate) {
            if (expr.args.size() != 1 || !expr.args[0].name.empty())
                throw OraError(909, oraPrefix(909) + ": invalid number of arguments");
            if (!allowAggregates_)
                throw OraError(934, oraPrefix(934) + ": group function is not allowed here");
            if (aggregateDepth_ > 0)
                throw OraError(935, oraPrefix(935) + ": group function is nested too deeply");
            sawAggregate_ = true;
            const Expr& argument = *expr.args[0].value;
            if (fn == "COUNT" && argument.kind == ExprKind::Name
                && argument.path == std::vector<std::string>{"*"})
                return Typed{"COUNT(*)", ValueType::Number, -1};
            ++aggregateDepth_;
            Typed inner = translate(argument);
            --aggregateDepth_;
            if ((fn == "SUM" || fn == "AVG") && inner.type != ValueType::Number
                && inner.type != ValueType::Null)
                restriction(fn + " of a " + std::string(typeName(inner.type)) + " value");
            const ValueType type = fn == "MIN" || fn == "MAX" ? inner.type : ValueType::Number;
            return Typed{fn + "(" + inner.sql + ")", type, -1};
        }
        if (fn == "NVL") {
            if (expr.args.size() != 2)
                throw OraError(909, oraPrefix(909) + ": invalid number of arguments");
            Typed first = translate(*expr.args[0].value);
            Typed second = translate(*expr.args[1].value);
            unify(first, second, "NVL");
            return Typed{"COALESCE(" + first.sql + ", " + second.sql + ")",
                         first.type != ValueType::Null ? first.type : second.type, -1};
        }
        if (fn == "EXISTS" && expr.args.size() == 1
            && expr.args[0].value->kind == ExprKind::Subquery) {
            std::vector<std::string> names;
            std::vector<ValueType> types;
            return Typed{"EXISTS (" + select(*expr.args[0].value->query, names, types) + ")",
                         ValueType::Boolean, -1};
        }
        if (expr.target == Target::Builtin && expr.builtin && !referencesColumn(expr))
            return bindValue(interpreter_.evaluate(frame_, expr));
        if (expr.target == Target::Builtin && expr.builtin && runsOnRows(*expr.builtin))
            return builtinCall(expr);
        restriction("function " + fn + " on columns in SQL");
    }

    // The standard functions run on each row through vx_call.
    Typed builtinCall(const Expr& expr)
    {
        const BuiltinDef& builtin = *expr.builtin;
        std::vector<Typed> args;
        unsigned given = 0;
        if (builtin.variadic) {
            for (const auto& argument : expr.args)
                args.push_back(translate(*argument.value));
        } else {
            for (std::size_t i = 0; i < builtin.params.size(); ++i) {
                if (const Expr* argument = expr.ordered[i]) {
                    given |= 1U << i;
                    args.push_back(translate(*argument));
                }
            }
        }
        std::string types;
        std::string values;
        for (const Typed& arg : args) {
            if (arg.type == ValueType::Boolean)
                throw OraError(382, "PLS-00382: expression is of wrong type");
            types += arg.type == ValueType::Number ? 'N' : arg.type == ValueType::Date ? 'D' : 'V';
            values += ", " + arg.sql;
        }
        return Typed{"vx_call('" + std::string(builtin.name) + "', " + std::to_string(given) + ", '"
                         + types + "'" + values + ")",
                     resultType(builtin, args), -1};
    }

    // A function whose result takes its type from its arguments (NVL2,
    // DECODE, GREATEST, TRUNC of a date...): that of the first that gives it.
    static ValueType resultType(const BuiltinDef& builtin, const std::vector<Typed>& args)
    {
        if (builtin.result != ValueType::Null)
            return builtin.result;
        std::size_t from = 0;
        if (builtin.name == "DECODE")
            from = 2;
        else if (builtin.name == "NVL2")
            from = 1;
        for (std::size_t i = from; i < args.size(); i += builtin.name == "DECODE" ? 2 : 1) {
            if (args[i].type != ValueType::Null)
                return args[i].type;
        }
        return ValueType::Varchar2;
    }

    bool subscriptsUseColumns(const Expr& expr) const
    {
        for (const auto* arguments : {&expr.subscripts, &expr.args}) {
            for (const auto& argument : *arguments) {
                if (referencesColumn(*argument.value))
                    return true;
            }
        }
        return false;
    }

    bool referencesColumn(const Expr& expr) const
    {
        if (expr.kind == ExprKind::Name && !expr.hasParens
            && (columnOf(expr.path) || expr.target == Target::Unresolved))
            return true;
        for (const auto& argument : expr.args) {
            if (referencesColumn(*argument.value))
                return true;
        }
        return (expr.left && referencesColumn(*expr.left))
               || (expr.right && referencesColumn(*expr.right));
    }

    // Oracle compares unlike types by converting text to the other type;
    // that is done here for parameters, and refused for anything else.
    void unify(Typed& a, Typed& b, std::string_view what)
    {
        if (a.type == b.type || a.type == ValueType::Null || b.type == ValueType::Null)
            return;
        auto convertBind = [&](Typed& text, const Typed& other) {
            if (text.bind < 0 || text.type != ValueType::Varchar2)
                return false;
            auto& value = binds_[static_cast<std::size_t>(text.bind)];
            value = sqlConvert(value, other.type, interpreter_.conversion());
            text.type = other.type;
            return true;
        };
        if (convertBind(a, b) || convertBind(b, a))
            return;
        restriction(std::string(what) + " of " + std::string(typeName(a.type)) + " with "
                    + std::string(typeName(b.type)) + " in SQL");
    }

    void toNumber(Typed& operand, std::string_view what)
    {
        Typed number{"", ValueType::Number, -1};
        unify(operand, number, what);
        if (operand.type == ValueType::Date)
            restriction("date arithmetic in SQL");
    }

    Typed unary(const Expr& expr)
    {
        Typed operand = translate(*expr.left);
        switch (expr.op) {
        case Operator::Negate:
            toNumber(operand, "-");
            return Typed{"(-" + operand.sql + ")", ValueType::Number, -1};
        case Operator::Plus:
            toNumber(operand, "+");
            return Typed{operand.sql, ValueType::Number, -1};
        case Operator::Not:
            return Typed{"(NOT " + condition(*expr.left).sql + ")", ValueType::Boolean, -1};
        case Operator::IsNull:
            return Typed{"(" + operand.sql + " IS NULL)", ValueType::Boolean, -1};
        case Operator::IsNotNull:
            return Typed{"(" + operand.sql + " IS NOT NULL)", ValueType::Boolean, -1};
        default:
            restriction("this operator in SQL");
        }
    }

    Typed comparison(const Expr& expr, std::string_view op)
    {
        Typed left = translate(*expr.left);
        Typed right = translate(*expr.right);
        unify(left, right, "comparison");
        if (left.type == ValueType::Boolean || right.type == ValueType::Boolean)
            throw OraError(920, oraPrefix(920) + ": invalid relational operator");
        return Typed{"(" + left.sql + " " + std::string(op) + " " + right.sql + ")",
                     ValueType::Boolean, -1};
    }

    Typed arithmetic(const Expr& expr, std::string_view op)
    {
        // Values alone (SYSDATE - 1, :n * 2): PL/SQL works them out.
        if (!referencesColumn(expr))
            return bindValue(interpreter_.evaluate(frame_, expr));
        Typed left = translate(*expr.left);
        Typed right = translate(*expr.right);
        if ((op == "+" || op == "-")
            && (left.type == ValueType::Date || right.type == ValueType::Date))
            return dateArithmetic(left, right, op);
        toNumber(left, op);
        toNumber(right, op);
        if (op == "/")
            return Typed{"vx_div(" + left.sql + ", " + right.sql + ")", ValueType::Number, -1};
        return Typed{"(" + left.sql + " " + std::string(op) + " " + right.sql + ")",
                     ValueType::Number, -1};
    }

    // Oracle's date arithmetic in days: DATE + n, n + DATE, DATE - n, and
    // DATE - DATE, a number of days.
    Typed dateArithmetic(Typed left, Typed right, std::string_view op)
    {
        const bool leftDate = left.type == ValueType::Date;
        const bool rightDate = right.type == ValueType::Date;
        if (leftDate && rightDate) {
            if (op == "+")
                throw oraError(975);
            return Typed{"((" + left.sql + " - " + right.sql + ") / 86400.0)", ValueType::Number,
                         -1};
        }
        if (rightDate && op == "-")
            throw oraError(932, {"NUMBER", "DATE"});
        Typed& days = leftDate ? right : left;
        toNumber(days, op);
        const Typed& date = leftDate ? left : right;
        return Typed{"vx_date_add(" + date.sql + ", " + (op == "-" ? "-" : "") + "(" + days.sql
                         + "))",
                     ValueType::Date, -1};
    }

    Typed binary(const Expr& expr)
    {
        switch (expr.op) {
        case Operator::Add:
            return arithmetic(expr, "+");
        case Operator::Subtract:
            return arithmetic(expr, "-");
        case Operator::Multiply:
            return arithmetic(expr, "*");
        case Operator::Divide:
            return arithmetic(expr, "/");
        case Operator::Concat: {
            const Typed left = translate(*expr.left);
            const Typed right = translate(*expr.right);
            if (auto folded = foldConcat(left, right))
                return *folded;
            return Typed{"vx_concat(" + left.sql + ", " + std::string(code(left.type)) + ", "
                             + right.sql + ", " + std::string(code(right.type)) + ")",
                         ValueType::Varchar2, -1};
        }
        case Operator::Equal:
            return comparison(expr, "=");
        case Operator::NotEqual:
            return comparison(expr, "<>");
        case Operator::Less:
            return comparison(expr, "<");
        case Operator::LessEqual:
            return comparison(expr, "<=");
        case Operator::Greater:
            return comparison(expr, ">");
        case Operator::GreaterEqual:
            return comparison(expr, ">=");
        case Operator::And:
        case Operator::Or: {
            const Typed left = condition(*expr.left);
            const Typed right = condition(*expr.right);
            return Typed{"(" + left.sql + (expr.op == Operator::And ? " AND " : " OR ") + right.sql
                             + ")",
                         ValueType::Boolean, -1};
        }
        case Operator::Between: {
            Typed value = translate(*expr.left);
            Typed low = translate(*expr.args[0].value);
            Typed high = translate(*expr.args[1].value);
            unify(value, low, "BETWEEN");
            unify(value, high, "BETWEEN");
            return Typed{"(" + value.sql + " BETWEEN " + low.sql + " AND " + high.sql + ")",
                         ValueType::Boolean, -1};
        }
        case Operator::In: {
            Typed value = translate(*expr.left);
            if (expr.args.size() == 1 && expr.args[0].value->kind == ExprKind::Subquery) {
                std::vector<std::string> names;
                std::vector<ValueType> types;
                const std::string query = select(*expr.args[0].value->query, names, types);
                if (types.size() != 1)
                    throw OraError(913, oraPrefix(913) + ": too many values");
                Typed column{"", types[0], -1};
                unify(value, column, "IN");
                return Typed{"(" + value.sql + " IN (" + query + "))", ValueType::Boolean, -1};
            }
            std::string list;
            for (const auto& argument : expr.args) {
                Typed item = translate(*argument.value);
                unify(value, item, "IN");
                list += (list.empty() ? "" : ", ") + item.sql;
            }
            return Typed{"(" + value.sql + " IN (" + list + "))", ValueType::Boolean, -1};
        }
        case Operator::Like: {
            Typed value = translate(*expr.left);
            Typed pattern = translate(*expr.right);
            unifyText(value);
            unifyText(pattern);
            std::string escape = "NULL";
            if (!expr.args.empty()) {
                Typed e = translate(*expr.args[0].value);
                unifyText(e);
                escape = e.sql;
            }
            return Typed{"vx_like(" + value.sql + ", " + pattern.sql + ", " + escape + ")",
                         ValueType::Boolean, -1};
        }
        default:
            restriction("this operator in SQL");
        }
    }

    // Two parameters concatenated here as vx_concat would concatenate them
    // for every row (NULL as '', numbers and dates as TO_CHAR writes them),
    // so that a value such as 'row ' || i reaches SQLite as one parameter.
    std::optional<Typed> foldConcat(const Typed& left, const Typed& right)
    {
        const int first = left.bind >= 0 ? left.bind : left.folded;
        const int second = right.bind >= 0 ? right.bind : right.folded;
        if (first < 0 || second != first + 1
            || static_cast<std::size_t>(second) + 1 != binds_.size())
            return std::nullopt;
        std::string text;
        for (const int index : {first, second}) {
            const Value value = throughSqlite(binds_[static_cast<std::size_t>(index)]);
            if (!value.isNull())
                text += toText(value, interpreter_.conversion());
        }
        binds_.resize(static_cast<std::size_t>(first));
        Typed typed = bindValue(Value::text(std::move(text)));
        typed.folded = typed.bind;
        typed.bind = -1;
        return typed;
    }

    void unifyText(Typed& operand)
    {
        if (operand.type == ValueType::Varchar2 || operand.type == ValueType::Null)
            return;
        if (operand.bind < 0)
            restriction("LIKE on a " + std::string(typeName(operand.type)) + " value in SQL");
        auto& value = binds_[static_cast<std::size_t>(operand.bind)];
        value = convert(value, ValueType::Varchar2, interpreter_.conversion());
        operand.type = ValueType::Varchar2;
    }

    // (SELECT ...) as a value: one column, and ORA-01427 for more than one
    // row (the text runs twice; its parameters are numbered, so both runs
    // see the same values).
    Typed subquery(const Expr& expr)
    {
        std::vector<std::string> names;
        std::vector<ValueType> types;
        const std::string query = select(*expr.query, names, types);
        if (types.size() != 1)
            throw OraError(913, oraPrefix(913) + ": too many values");
        return Typed{"vx_single((SELECT COUNT(*) FROM (" + query + " LIMIT 2)), (" + query + "))",
                     types[0], -1};
    }

    std::string fromClause(const SqlAst& sql, std::vector<TableRef>& scope);
    std::string groupClause(const SqlAst& sql);
    std::string orderClause(const SqlAst& sql, const std::vector<std::string>& items);
    std::string compoundOrder(const SqlAst& sql, const std::vector<std::string>& names);
    std::string setBranch(const SqlSetBranch& branch, std::vector<ValueType>& types);
    // `rowLimit`: the most rows ROWNUM lets through, kNoRowLimit for no bound.
    std::string whereClause(const SqlAst& sql, std::int64_t& rowLimit);
    bool rownumBound(const Expr& conjunct, std::int64_t& rowLimit);
    std::string queryBlock(const SqlAst& sql, std::vector<std::string>& names,
                           std::vector<ValueType>& types, bool named = false);
    const UserTable& inlineView(const SqlAst& view, const std::string& alias);
    std::vector<std::string> selectItems(const SqlAst& sql, const std::vector<TableRef>& scope,
                                         std::vector<std::string>& names,
                                         std::vector<ValueType>& types);
    void checkGrouping() const;

    // What a query keeps of its own: a subquery has aggregates and groups
    // of its own.
    struct QueryState {
        bool allow = false, saw = false, bare = false, grouping = false;
        int depth = 0;
        std::set<std::string> groups;
        std::vector<std::string> ungrouped;
    };
    QueryState enterQuery();
    void leaveQuery(QueryState saved);

    Interpreter& interpreter_;
    Frame& frame_;
    const UserTable* table_;
    std::vector<std::vector<TableRef>> scopes_;
    // The tables of the queries, kept for the scopes.
    std::vector<std::shared_ptr<const UserTable>> opened_;
    int nextAlias_ = 0;
    std::vector<Value> binds_;
    int aggregateDepth_ = 0;
    bool grouping_ = false;
    bool oneRow_ = false;
    // The GROUP BY expressions, as boundText writes them.
    std::set<std::string> groupTexts_;
    std::vector<std::string> ungrouped_;

public:
    // Aggregates belong in a query's select list and ORDER BY only; without
    // GROUP BY they may not stand beside a bare column (ORA-00937).
    bool allowAggregates_ = false;
    bool sawAggregate_ = false;
    bool inSetBranch_ = false; // translating a query after UNION, INTERSECT or MINUS
    bool sawBareColumn_ = false;
};


// The tables of a query, opened with the running unit's owner's rights, and
// joined as written (SQLite's joins are Oracle's ANSI joins).
std::string Translator::fromClause(const SqlAst& sql, std::vector<TableRef>& scope)
{
    if (isDual(sql.table) && sql.joins.empty())
        return {};
    UserTables& tables = userTables(interpreter_.state());
    const std::string& user = frame_.unit->owner;
    const auto add = [&](const std::vector<std::string>& path, const std::string& alias,
                         const std::shared_ptr<SqlAst>& view) {
        const UserTable& table =
            view ? inlineView(*view, alias)
                 : *opened_.emplace_back(tables.open(user, path, TableAccess::Select));
        const std::string qualifier = "t" + std::to_string(nextAlias_++);
        scope.push_back(TableRef{&table, alias.empty() ? table.object.name : alias, qualifier});
        return table.sqlName + " AS " + qualifier;
    };
    std::string text = " FROM " + add(sql.table, sql.alias, sql.view);
    std::vector<std::string> joined;
    for (const auto& join : sql.joins)
        joined.push_back(add(join.table, join.alias, join.view));
    scopes_.push_back(scope);
    for (std::size_t i = 0; i < sql.joins.size(); ++i) {
        const SqlJoin& join = sql.joins[i];
        text += (join.how == "," ? ", " : " " + join.how + " ") + joined[i];
        if (join.on)
            text += " ON " + condition(*join.on).sql;
    }
    return text;
}

// A subquery in FROM, as a table of the query's columns: each needs a name
// of its own (an expression its alias), so that every name means one column.
const UserTable& Translator::inlineView(const SqlAst& view, const std::string& alias)
{
    std::vector<std::string> names;
    std::vector<ValueType> types;
    const std::string text = select(view, names, types, true);
    auto table = std::make_shared<UserTable>();
    table->object.name = alias;
    table->sqlName = "(" + text + ")";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].empty())
            restriction("an expression without an alias in a subquery in FROM");
        if (table->column(names[i]))
            throw OraError(918, oraPrefix(918) + ": column ambiguously defined");
        TableColumn column;
        column.name = names[i];
        column.type.type = types[i];
        table->columns.push_back(std::move(column));
    }
    opened_.push_back(table);
    return *table;
}

std::string Translator::groupClause(const SqlAst& sql)
{
    std::string text;
    for (const auto& group : sql.groupBy) {
        const std::string item = translate(*group).sql;
        groupTexts_.insert(boundText(item));
        text += (text.empty() ? " GROUP BY " : ", ") + item;
    }
    return text;
}

// An ORDER BY item: a number is the position of a select item, as is a
// select item's alias; anything else is an expression, which after DISTINCT
// must be one of the select items (ORA-01791).
std::string Translator::orderClause(const SqlAst& sql, const std::vector<std::string>& items)
{
    std::string text;
    const bool hasStar = std::any_of(sql.items.begin(), sql.items.end(),
                                     [](const SqlSelectItem& item) { return !item.expr; });
    for (const auto& order : sql.orderBy) {
        const Expr& expr = *order.expr;
        std::string item;
        if (expr.kind == ExprKind::Literal && expr.literal.type() == ValueType::Number) {
            const double position = expr.literal.asNumber();
            if (hasStar || position != std::trunc(position) || position < 1
                || position > static_cast<double>(items.size()))
                throw OraError(
                    1785, oraPrefix(1785)
                              + ": ORDER BY item must be the number of a SELECT-list expression");
            item = std::to_string(static_cast<long long>(position));
        } else if (expr.kind == ExprKind::Name && !expr.hasParens && expr.path.size() == 1
                   && !hasStar) {
            for (std::size_t i = 0; i < sql.items.size() && item.empty(); ++i) {
                if (sql.items[i].alias == expr.path[0])
                    item = std::to_string(i + 1);
            }
        }
        if (item.empty()) {
            item = translate(expr).sql;
            if (sql.distinct && std::find(items.begin(), items.end(), item) == items.end())
                throw OraError(1791, oraPrefix(1791) + ": not a SELECTed expression");
        }
        text += (text.empty() ? " ORDER BY " : ", ") + item;
        // Oracle puts NULLs last going up and first going down.
        text += order.descending ? " DESC NULLS FIRST" : " ASC NULLS LAST";
    }
    return text;
}

Translator::QueryState Translator::enterQuery()
{
    QueryState saved{allowAggregates_, sawAggregate_,          sawBareColumn_,       grouping_,
                     aggregateDepth_,  std::move(groupTexts_), std::move(ungrouped_)};
    allowAggregates_ = sawAggregate_ = sawBareColumn_ = grouping_ = false;
    aggregateDepth_ = 0;
    groupTexts_.clear();
    ungrouped_.clear();
    return saved;
}

void Translator::leaveQuery(QueryState saved)
{
    allowAggregates_ = saved.allow;
    sawAggregate_ = saved.saw;
    sawBareColumn_ = saved.bare;
    grouping_ = saved.grouping;
    aggregateDepth_ = saved.depth;
    groupTexts_ = std::move(saved.groups);
    ungrouped_ = std::move(saved.ungrouped);
}

// The select list's SQLite texts; * is every column of the query's tables.
std::vector<std::string> Translator::selectItems(const SqlAst& sql,
                                                 const std::vector<TableRef>& scope,
                                                 std::vector<std::string>& names,
                                                 std::vector<ValueType>& types)
{
    std::vector<std::string> items;
    for (const auto& item : sql.items) {
        if (!item.expr) {
            if (scope.empty())
                invalidIdentifier("*");
            for (const TableRef& ref : scope) {
                for (const auto& column : ref.table->columns) {
                    items.push_back(ref.qualifier + "." + quotedName(column.name));
                    names.push_back(column.name);
                    types.push_back(column.type.type);
                    if (grouping_ && !groupTexts_.contains(items.back()))
                        ungrouped_.push_back(items.back());
                }
            }
            continue;
        }
        const Typed typed = translate(*item.expr);
        if (typed.type == ValueType::Boolean)
            throw OraError(920, oraPrefix(920) + ": invalid relational operator");
        items.push_back(typed.sql);
        types.push_back(typed.type);
        names.push_back(!item.alias.empty() ? item.alias
                        : item.expr->kind == ExprKind::Name && !item.expr->hasParens
                            ? item.expr->path.back()
                            : std::string());
    }
    return items;
}

void Translator::checkGrouping() const
{
    if (grouping_ && !ungrouped_.empty())
        throw OraError(979, oraPrefix(979) + ": not a GROUP BY expression");
    if (!grouping_ && sawAggregate_ && sawBareColumn_)
        throw OraError(937, oraPrefix(937) + ": not a single-group group function");
}

// One SELECT with its own ORDER BY (a compound's comes after its last query).
std::string Translator::queryBlock(const SqlAst& sql, std::vector<std::string>& names,
                                   std::vector<ValueType>& types, bool named)
{
    QueryState saved = enterQuery();
    std::vector<TableRef> scope;
    std::string from = fromClause(sql, scope);
    std::int64_t rowLimit = kNoRowLimit;
    std::string where = whereClause(sql, rowLimit);
    sawBareColumn_ = false;
    const std::string group = groupClause(sql);
    grouping_ = !sql.groupBy.empty();
    allowAggregates_ = true;
    const std::vector<std::string> items = selectItems(sql, scope, names, types);
    // ROWNUM counts the rows the WHERE lets through, before any sorting,
    // grouping or merging: with those, the rows are limited in a subquery
    // of the one table, which keeps its alias.
    const bool limitFirst =
        sql.distinct || !sql.groupBy.empty() || sql.having || !sql.orderBy.empty() || sawAggregate_;
    if (rowLimit != kNoRowLimit && limitFirst) {
        if (!sql.joins.empty() || from.empty() || !sql.compound.empty() || inSetBranch_)
            restriction("ROWNUM with a join, UNION, INTERSECT or MINUS");
        from = " FROM (SELECT *" + from + where + " LIMIT " + std::to_string(rowLimit) + ") AS "
               + scope.front().qualifier;
        where.clear();
        rowLimit = kNoRowLimit;
    }
    std::string text = std::string("SELECT ") + (sql.distinct ? "DISTINCT " : "");
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i ? ", " : "") + items[i] + (named ? " AS " + quotedName(names[i]) : "");
    text += from + where + group;
    if (sql.having)
        text += " HAVING " + condition(*sql.having).sql;
    if (sql.compound.empty())
        text += orderClause(sql, items);
    if (rowLimit != kNoRowLimit) {
        if (!sql.compound.empty() || inSetBranch_)
            restriction("ROWNUM with a join, UNION, INTERSECT or MINUS");
        text += " LIMIT " + std::to_string(rowLimit);
    }
    checkGrouping();
    if (!scope.empty())
        scopes_.pop_back();
    leaveQuery(std::move(saved));
    return text;
}

namespace {

void collectConjuncts(const Expr& expr, std::vector<const Expr*>& conjuncts)
{
    if (expr.kind == ExprKind::Binary && expr.op == Operator::And) {
        collectConjuncts(*expr.left, conjuncts);
        collectConjuncts(*expr.right, conjuncts);
    } else {
        conjuncts.push_back(&expr);
    }
}

} // namespace

// WHERE, with its ROWNUM bounds (ROWNUM <= n, ROWNUM < n, ROWNUM = 1...)
// taken out as the most rows the query gives.
std::string Translator::whereClause(const SqlAst& sql, std::int64_t& rowLimit)
{
    if (!sql.where)
        return {};
    std::vector<const Expr*> conjuncts;
    collectConjuncts(*sql.where, conjuncts);
    std::vector<const Expr*> kept;
    for (const Expr* conjunct : conjuncts) {
        if (!rownumBound(*conjunct, rowLimit))
            kept.push_back(conjunct);
    }
    if (kept.size() == conjuncts.size())
        return " WHERE " + condition(*sql.where).sql;
    std::string text;
    for (const Expr* conjunct : kept)
        text += (text.empty() ? " WHERE (" : " AND (") + condition(*conjunct).sql + ")";
    return text;
}

// A comparison of ROWNUM with a value. ROWNUM numbers the rows that pass,
// so ROWNUM = 2 or ROWNUM > 1 lets none through, and ROWNUM > 0 all.
bool Translator::rownumBound(const Expr& conjunct, std::int64_t& rowLimit)
{
    if (conjunct.kind != ExprKind::Binary || conjunct.op < Operator::Equal
        || conjunct.op > Operator::GreaterEqual)
        return false;
    const auto isRownum = [this](const Expr& side) {
        return side.kind == ExprKind::Name && !side.hasParens
               && side.path == std::vector<std::string>{"ROWNUM"} && !columnOf(side.path);
    };
    Operator op = conjunct.op;
    const Expr* value = conjunct.right.get();
    if (!isRownum(*conjunct.left)) {
        if (!isRownum(*conjunct.right))
            return false;
        value = conjunct.left.get();
        op = op == Operator::Less           ? Operator::Greater
             : op == Operator::LessEqual    ? Operator::GreaterEqual
             : op == Operator::Greater      ? Operator::Less
             : op == Operator::GreaterEqual ? Operator::LessEqual
                                            : op;
    }
    if (referencesColumn(*value))
        return false;
    const Value bound = interpreter_.evaluate(frame_, *value);
    std::optional<double> most; // none: every row passes
    if (bound.isNull()) {
        most = 0;
    } else {
        const double n = convert(bound, ValueType::Number, interpreter_.conversion()).asNumber();
        switch (op) {
        case Operator::Equal:
            most = n == 1 ? 1 : 0;
            break;
        case Operator::NotEqual:
            if (n >= 1 && n == std::trunc(n))
                most = n - 1;
            break;
        case Operator::Less:
            most = std::max(0.0, std::ceil(n) - 1);
            break;
        case Operator::LessEqual:
            most = std::max(0.0, std::floor(n));
            break;
        case Operator::Greater:
            if (n >= 1)
                most = 0;
            break;
        default: // GreaterEqual
            if (n > 1)
                most = 0;
            break;
        }
    }
    if (most) {
        const auto rows = static_cast<std::int64_t>(std::min(*most, 9.0e18));
        rowLimit = rowLimit == kNoRowLimit ? rows : std::min(rowLimit, rows);
    }
    return true;
}

// A query after UNION, INTERSECT or MINUS: as many columns as the first
// (ORA-01789), each of its type (ORA-01790); a NULL column of the first
// takes its type from the queries after it.
std::string Translator::setBranch(const SqlSetBranch& branch, std::vector<ValueType>& types)
{
    std::vector<std::string> branchNames;
    std::vector<ValueType> branchTypes;
    inSetBranch_ = true;
    const std::string text = queryBlock(*branch.query, branchNames, branchTypes);
    inSetBranch_ = false;
    if (branchTypes.size() != types.size())
        throw OraError(1789,
                       oraPrefix(1789) + ": query block has incorrect number of result columns");
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (types[i] == ValueType::Null)
            types[i] = branchTypes[i];
        else if (branchTypes[i] != ValueType::Null && branchTypes[i] != types[i])
            throw OraError(1790, oraPrefix(1790)
                                     + ": expression must have same datatype as corresponding "
                                       "expression");
    }
    return " " + branch.op + " " + text;
}

// A compound's ORDER BY names the columns of its first query, by position
// or by name; an expression is ORA-01785, an unknown name ORA-00904.
std::string Translator::compoundOrder(const SqlAst& sql, const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& order : sql.orderBy) {
        const Expr& expr = *order.expr;
        std::size_t position = 0;
        if (expr.kind == ExprKind::Literal && expr.literal.type() == ValueType::Number) {
            const double number = expr.literal.asNumber();
            if (number == std::trunc(number) && number >= 1
                && number <= static_cast<double>(names.size()))
                position = static_cast<std::size_t>(number);
        } else if (expr.kind == ExprKind::Name && !expr.hasParens) {
            const auto found = std::find(names.begin(), names.end(), expr.path.back());
            if (expr.path.size() != 1 || found == names.end())
                invalidIdentifier(joined(expr.path));
            position = static_cast<std::size_t>(found - names.begin()) + 1;
        }
        if (position == 0)
            throw OraError(1785,
                           oraPrefix(1785)
                               + ": ORDER BY item must be the number of a SELECT-list expression");
        text += (text.empty() ? " ORDER BY " : ", ") + std::to_string(position);
        text += order.descending ? " DESC NULLS FIRST" : " ASC NULLS LAST";
    }
    return text;
}

std::string Translator::select(const SqlAst& sql, std::vector<std::string>& names,
                               std::vector<ValueType>& types, bool named)
{
    std::string text = queryBlock(sql, names, types, named);
    if (sql.compound.empty())
        return text;
    for (const auto& branch : sql.compound)
        text += setBranch(branch, types);
    return text + compoundOrder(sql, names);
}

// The tables open with the rights of the running unit's owner.
PreparedQuery prepareQuery(Interpreter& interpreter, Frame& frame, const SqlAst& sql)
{
    Translator translator(interpreter, frame, nullptr, {});
    if (isDual(sql.table) && sql.joins.empty() && sql.compound.empty() && !sql.view)
        translator.makesOneRow();
    PreparedQuery query;
    const std::string text = translator.select(sql, query.names, query.types);
    query.stmt = userTables(interpreter.state()).prepare(text);
    int index = 0;
    for (const auto& value : translator.binds())
        bindValue(query.stmt, ++index, value);
    return query;
}

// Runs a query to its end: a cursor's rows as they are when it opens.
std::shared_ptr<OpenCursor> readQuery(Interpreter& interpreter, Frame& frame, const SqlAst& sql)
{
    UserTables& tables = userTables(interpreter.state());
    const PreparedQuery query = prepareQuery(interpreter, frame, sql);
    auto cursor = std::make_shared<OpenCursor>();
    cursor->names = query.names;
    cursor->types = query.types;
    for (;;) {
        const int rc = sqlite3_step(query.stmt);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW) {
            sqlite3_reset(query.stmt);
            tables.fail(rc);
        }
        auto& row = cursor->rows.emplace_back();
        for (std::size_t i = 0; i < query.types.size(); ++i)
            row.push_back(columnValue(query.stmt, static_cast<int>(i), query.types[i]));
        checkCancel(interpreter.state());
    }
    sqlite3_reset(query.stmt);
    return cursor;
}

[[noreturn]] void invalidCursor()
{
    throw oraError(1001);
}

} // namespace

Frame& Interpreter::cursorFrame(Frame& frame, const SqlAst& use)
{
    return use.cursorPackage ? packageFrame(*use.cursorPackage) : outerFrame(frame, use.cursorUp);
}

// The query runs in the frame of the unit that declares the cursor, with its
// parameters there; the arguments are the caller's.
void Interpreter::openCursor(Frame& frame, const SqlAst& open)
{
    Frame& owner = cursorFrame(frame, open);
    if (owner.cursors.contains(open.cursor))
        throw OraError(6511, oraPrefix(6511) + ": PL/SQL: cursor already open");
    const SqlAst& query = *owner.unit->cursors[static_cast<std::size_t>(open.cursor)];
    for (std::size_t i = 0; i < query.parameters.size(); ++i) {
        const Parameter& parameter = query.parameters[i];
        Value value = i < open.values.size() ? eval(frame, *open.values[i])
                                             : eval(owner, *parameter.defaultValue);
        owner.slots[static_cast<std::size_t>(parameter.slot)] =
            coerce(parameter.type, std::move(value), conversion());
    }
    owner.cursors[open.cursor] = readQuery(*this, owner, query);
}

void Interpreter::fetchCursor(Frame& frame, const SqlAst& fetch)
{
    Frame& owner = cursorFrame(frame, fetch);
    const auto found = owner.cursors.find(fetch.cursor);
    if (found == owner.cursors.end())
        invalidCursor();
    OpenCursor& cursor = *found->second;
    if (cursor.types.size() != intoCount(fetch))
        throw OraError(
            6504, oraPrefix(6504)
                      + ": PL/SQL: Return types of Result Set variables or query do not match");
    cursor.fetchedAny = true;
    cursor.found = cursor.fetched < cursor.rows.size();
    if (!cursor.found)
        return;
    assignInto(frame, fetch, std::move(cursor.rows[cursor.fetched++]));
}

// Every row into the collections, numbered from 1; none is no error. A
// nested table or varray is made anew; a varray too small is ORA-06532.
void Interpreter::bulkCollect(Frame& frame, const SqlAst& sql, sqlite3_stmt* stmt,
                              const std::vector<ValueType>& types)
{
    UserTables& tables = userTables(state_);
    std::vector<std::shared_ptr<CompositeValue>> collections;
    for (const CompositeType* type : sql.bulkTypes) {
        auto collection = std::make_shared<CompositeValue>();
        collection->type = type;
        collections.push_back(std::move(collection));
    }
    double count = 0;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        ++count;
        std::vector<Value> row;
        for (std::size_t i = 0; i < types.size(); ++i)
            row.push_back(columnValue(stmt, static_cast<int>(i), types[i]));
        if (sql.intoRecord) {
            collections.front()->numbered[count] = recordOfRow(*sql.intoRecord, std::move(row));
        } else {
            for (std::size_t i = 0; i < row.size(); ++i)
                collections[i]->numbered[count] =
                    coerce(sql.bulkTypes[i]->element, std::move(row[i]), conversion());
        }
        checkCancel(state_);
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        tables.fail(rc);
    sqlRowCount_ = static_cast<std::int64_t>(count);
    for (std::size_t i = 0; i < collections.size(); ++i) {
        const CompositeType& type = *sql.bulkTypes[i];
        if (type.limit >= 0 && count > type.limit)
            throw oraError(6532);
        if (type.isDense())
            collections[i]->extent = static_cast<std::size_t>(count);
        assign(frame, *sql.into[i], Value::composite(std::move(collections[i])));
    }
}

// A row's values as a record of the type, each converted to its field's type.
Value Interpreter::recordOfRow(const CompositeType& recordType, std::vector<Value> row)
{
    TypeSpec type;
    type.type = ValueType::Composite;
    type.composite = &recordType;
    Value record = initialValue(type);
    auto& fields = record.mutableComposite().fields;
    for (std::size_t i = 0; i < row.size(); ++i)
        fields[i] = coerce(recordType.fields[i].type, std::move(row[i]), conversion());
    return record;
}

void Interpreter::assignInto(Frame& frame, const SqlAst& sql, std::vector<Value> row)
{
    if (!sql.intoRecord) {
        for (std::size_t i = 0; i < row.size(); ++i)
            assign(frame, *sql.into[i], std::move(row[i]));
        return;
    }
    assign(frame, *sql.into[0], recordOfRow(*sql.intoRecord, std::move(row)));
}

void Interpreter::closeBlockCursors(Frame& frame, const Block& block)
{
    for (const auto& declaration : block.declarations) {
        if (declaration.cursor)
            frame.cursors.erase(declaration.cursor->cursor);
    }
}

Interpreter::Flow Interpreter::execSql(Frame& frame, const Stmt& stmt)
{
    frame.line = stmt.pos.line;
    const SqlAst& sql = *stmt.sql;
    UserTables& tables = userTables(state_);
    const std::string& user = frame.unit->owner;
    switch (sql.kind) {
    case SqlKind::Commit:
        tables.commit();
        return Flow::Normal;
    case SqlKind::Rollback:
        tables.rollback();
        return Flow::Normal;
    case SqlKind::Open:
        openCursor(frame, sql);
        return Flow::Normal;
    case SqlKind::Fetch:
        fetchCursor(frame, sql);
        return Flow::Normal;
    case SqlKind::Close:
        if (cursorFrame(frame, sql).cursors.erase(sql.cursor) == 0)
            invalidCursor();
        return Flow::Normal;
    case SqlKind::Execute: {
        // Dynamic SQL runs the table commands (DDL, grants, COMMIT and
        // ROLLBACK); statements that would need compiling at run time are refused.
        const Value text = eval(frame, *sql.values[0]);
        if (text.isNull() || !runTableCommand(toText(text, conversion()), state_))
            throw OraError(3001,
                           oraPrefix(3001)
                               + ": unimplemented feature: EXECUTE IMMEDIATE of this statement");
        return Flow::Normal;
    }
    case SqlKind::Select: {
        const PreparedQuery query = prepareQuery(*this, frame, sql);
        if (query.types.size() < intoCount(sql))
            throw OraError(947, oraPrefix(947) + ": not enough values");
        if (query.types.size() > intoCount(sql))
            throw OraError(913, oraPrefix(913) + ": too many values");
        if (sql.bulk) {
            bulkCollect(frame, sql, query.stmt, query.types);
            return Flow::Normal;
        }
        const int rc = sqlite3_step(query.stmt);
        if (rc == SQLITE_DONE) {
            sqlite3_reset(query.stmt);
            sqlRowCount_ = 0;
            throw oraError(1403);
        }
        if (rc != SQLITE_ROW)
            tables.fail(rc);
        std::vector<Value> row;
        for (std::size_t i = 0; i < query.types.size(); ++i)
            row.push_back(columnValue(query.stmt, static_cast<int>(i), query.types[i]));
        const int more = sqlite3_step(query.stmt);
        sqlite3_reset(query.stmt);
        if (more == SQLITE_ROW) {
            sqlRowCount_ = 2;
            throw oraError(1422);
        }
        if (more != SQLITE_DONE)
            tables.fail(more);
        sqlRowCount_ = 1;
        assignInto(frame, sql, std::move(row));
        return Flow::Normal;
    }
    default:
        break;
    }

    const TableAccess access = sql.kind == SqlKind::Insert   ? TableAccess::Insert
                               : sql.kind == SqlKind::Update ? TableAccess::Update
                                                             : TableAccess::Delete;
    const std::shared_ptr<const UserTable> opened = tables.open(user, sql.table, access);
    const UserTable& table = *opened;
    Translator translator(*this, frame, &table, sql.alias);
    std::string text;
    if (sql.kind == SqlKind::Insert) {
        translator.makesOneRow();
        std::vector<const TableColumn*> columns;
        if (sql.columns.empty()) {
            for (const auto& column : table.columns)
                columns.push_back(&column);
        }
        for (const auto& name : sql.columns) {
            const TableColumn* column = table.column(name);
            if (!column)
                invalidIdentifier(name);
            for (const TableColumn* other : columns) {
                if (other == column)
                    throw OraError(957, oraPrefix(957) + ": duplicate column name");
            }
            columns.push_back(column);
        }
        if (sql.values.size() < columns.size())
            throw OraError(947, oraPrefix(947) + ": not enough values");
        if (sql.values.size() > columns.size())
            throw OraError(913, oraPrefix(913) + ": too many values");
        std::string names;
        std::string values;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            names += (i ? ", " : "") + quotedName(columns[i]->name);
            values += (i ? ", " : "") + translator.forColumn(*columns[i], *sql.values[i]);
        }
        // The columns left out take their DEFAULT.
        for (const auto& column : table.columns) {
            if (column.defaultValue.empty()
                || std::find(columns.begin(), columns.end(), &column) != columns.end())
                continue;
            names += ", " + quotedName(column.name);
            values += ", " + translator.valueForColumn(column, columnDefault(column, state_));
        }
        text = "INSERT INTO " + table.sqlName + " (" + names + ") VALUES (" + values + ")";
    } else if (sql.kind == SqlKind::Update) {
        text = "UPDATE " + table.sqlName + " SET ";
        for (std::size_t i = 0; i < sql.columns.size(); ++i) {
            const TableColumn* column = table.column(sql.columns[i]);
            if (!column)
                invalidIdentifier(sql.columns[i]);
            text += (i ? ", " : "") + quotedName(column->name) + " = "
                    + translator.forColumn(*column, *sql.values[i]);
        }
    } else {
        text = "DELETE FROM " + table.sqlName;
    }
    if (sql.where)
        text += " WHERE " + translator.condition(*sql.where).sql;
    std::vector<ValueType> returned;
    if (!sql.items.empty())
        text += translator.returningClause(sql, returned);

    sqlite3_stmt* prepared = tables.prepare(text);
    int index = 0;
    for (const auto& value : translator.binds())
        bindValue(prepared, ++index, value);
    // INSERT ... VALUES writes one row: SQLite undoes it alone when it fails.
    const bool savepoint = sql.kind != SqlKind::Insert;
    tables.beginStatement(savepoint);
    std::vector<std::vector<Value>> rows;
    try {
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
            auto& row = rows.emplace_back();
            for (std::size_t i = 0; i < returned.size(); ++i)
                row.push_back(columnValue(prepared, static_cast<int>(i), returned[i]));
        }
        if (rc != SQLITE_DONE)
            tables.fail(rc, &table);
        // RETURNING INTO takes one row; more is TOO_MANY_ROWS, and the change
        // is undone with the statement.
        if (rows.size() > 1)
            throw oraError(1422);
    } catch (...) {
        sqlite3_reset(prepared);
        if (savepoint)
            tables.endStatement(false);
        throw;
    }
    sqlite3_reset(prepared);
    sqlRowCount_ = sqlite3_changes64(tables.handle());
    if (savepoint)
        tables.endStatement(true);
    if (!rows.empty())
        assignInto(frame, sql, std::move(rows.front()));
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execCursorFor(Frame& frame, const Stmt& stmt)
{
    checkStack();
    frame.line = stmt.pos.line;
    const SqlAst& sql = *stmt.sql;
    // The loop's body may run SQL of its own, even this same query: the rows
    // are read first, so that no statement is stepped while it is reused.
    std::shared_ptr<OpenCursor> cursor;
    struct Closer {
        Frame* frame;
        int cursor;
        ~Closer()
        {
            if (cursor >= 0)
                frame->cursors.erase(cursor);
        }
    } closer{&frame, -1};
    if (sql.kind == SqlKind::Open) {
        openCursor(frame, sql);
        closer.frame = &cursorFrame(frame, sql);
        closer.cursor = sql.cursor;
        cursor = closer.frame->cursors[sql.cursor];
    } else {
        cursor = readQuery(*this, frame, sql);
    }
    // The loop's record: the row's columns in turn.
    const TypeSpec& type = frame.unit->slotTypes[static_cast<std::size_t>(stmt.slot)];
    const auto& fields = type.composite->fields;
    if (cursor->types.size() != fields.size())
        throw OraError(
            6504, oraPrefix(6504)
                      + ": PL/SQL: Return types of Result Set variables or query do not match");
    while (cursor->fetched < cursor->rows.size()) {
        auto& row = cursor->rows[cursor->fetched++];
        cursor->fetchedAny = cursor->found = true;
        Value record = initialValue(type);
        auto& values = record.mutableComposite().fields;
        for (std::size_t f = 0; f < fields.size(); ++f)
            values[f] = coerce(fields[f].type, std::move(row[f]), conversion());
        frame.slots[static_cast<std::size_t>(stmt.slot)] = std::move(record);
        const Flow flow = execStatements(frame, stmt.body);
        if (const LoopStep step = afterBody(stmt, flow); step != LoopStep::Next) {
            if (step == LoopStep::Leave)
                return flow;
            break;
        }
        checkCancel(state_);
    }
    return Flow::Normal;
}

Value Interpreter::cursorAttribute(Frame& frame, const Expr& expr)
{
    const std::string& attribute = expr.path.back();
    if (expr.path.size() != 2 || expr.path[0] != "SQL") {
        Frame& owner = expr.package ? packageFrame(*expr.package) : outerFrame(frame, expr.up);
        const auto found = owner.cursors.find(expr.index);
        if (attribute == "ISOPEN")
            return Value::boolean(found != owner.cursors.end());
        if (found == owner.cursors.end())
            invalidCursor();
        const OpenCursor& cursor = *found->second;
        if (attribute == "ROWCOUNT")
            return Value::number(static_cast<double>(cursor.fetched));
        if (!cursor.fetchedAny)
            return Value::null(ValueType::Boolean);
        return Value::boolean(cursor.found == (attribute == "FOUND"));
    }
    if (attribute == "ISOPEN")
        return Value::boolean(false); // the implicit cursor is closed after each statement
    if (!sqlRowCount_)
        return Value::null(attribute == "ROWCOUNT" ? ValueType::Number : ValueType::Boolean);
    if (attribute == "ROWCOUNT")
        return Value::number(static_cast<double>(*sqlRowCount_));
    return Value::boolean((*sqlRowCount_ > 0) == (attribute == "FOUND"));
}

} // namespace vexmoor::engine
