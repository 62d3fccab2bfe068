#include "SqlTables.h"

#include "Builtins.h"
#include "Database.h"
#include "Interpreter.h"
#include "Lexer.h"
#include "LikePattern.h"
#include "Parser.h"
#include "SessionImpl.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace vexmoor::engine {

namespace {

constexpr auto kLockWait = std::chrono::seconds(30);
// The longest pause between two looks at a lock, and so at a cancel request.
constexpr auto kLongestLockPause = std::chrono::milliseconds(10);

OraError tableError(int code, const std::string& text)
{
    return OraError(code, oraPrefix(code) + ": " + text);
}

OraError unimplemented(const std::string& what)
{
    return tableError(3001, "unimplemented feature: " + what);
}

std::string_view typeCode(ValueType type)
{
    switch (type) {
    case ValueType::Number:
        return "NUMBER";
    case ValueType::Date:
        return "DATE";
    default:
        return "VARCHAR2";
    }
}

std::string_view accessName(TableAccess access)
{
    switch (access) {
    case TableAccess::Select:
        return "SELECT";
    case TableAccess::Insert:
        return "INSERT";
    case TableAccess::Update:
        return "UPDATE";
    case TableAccess::Delete:
        return "DELETE";
    }
    return "SELECT";
}

std::string textArg(sqlite3_value* value)
{
    const auto* text = sqlite3_value_text(value);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_value_bytes(value)))
                : std::string();
}

Value fromSqlite(sqlite3_value* value, ValueType type)
{
    if (sqlite3_value_type(value) == SQLITE_NULL)
        return Value::null(type);
    switch (type) {
    case ValueType::Number:
        return Value::number(sqlite3_value_double(value));
    case ValueType::Date:
        return Value::date(OraDate{sqlite3_value_int64(value)});
    default:
        return Value::text(textArg(value));
    }
}

void resultValue(sqlite3_context* context, const Value& value)
{
    if (value.isNull())
        sqlite3_result_null(context);
    else if (value.type() == ValueType::Number)
        sqlite3_result_double(context, value.asNumber());
    else if (value.type() == ValueType::Date)
        sqlite3_result_int64(context, value.asDate().seconds);
    else if (value.type() == ValueType::Boolean)
        sqlite3_result_int(context, value.asBoolean() ? 1 : 0);
    else
        sqlite3_result_text(context, value.asText().data(), static_cast<int>(value.asText().size()),
                            SQLITE_TRANSIENT);
}

ValueType typeOfCode(std::string_view code)
{
    if (code == "N")
        return ValueType::Number;
    if (code == "D")
        return ValueType::Date;
    return ValueType::Varchar2;
}

// Runs a function body, turning our errors into SQLite function errors that
// UserTables::fail turns back.
template <typename Body>
void guarded(sqlite3_context* context, Body body)
{
    try {
        body();
    } catch (const OraError& error) {
        sqlite3_result_error(context, error.message().c_str(), -1);
    } catch (const std::exception& error) {
        sqlite3_result_error(context, error.what(), -1);
    }
}

const ConversionContext& conversionOf(sqlite3_context* context)
{
    return *static_cast<const ConversionContext*>(sqlite3_user_data(context));
}

// SQL's rule for most functions: a NULL among the first `count` arguments
// gives NULL.
bool resultIsNull(sqlite3_context* context, sqlite3_value** argv, int count)
{
    for (int i = 0; i < count; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return true;
        }
    }
    return false;
}

// vx_concat(a, type_a, b, type_b): Oracle's ||, where NULL counts as ''
// and numbers and dates are written as TO_CHAR writes them.
void concatFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    guarded(context, [&] {
        std::string text;
        for (int i = 0; i < 4; i += 2) {
            const Value value = fromSqlite(argv[i], typeOfCode(textArg(argv[i + 1])));
            if (!value.isNull())
                text += toText(value, conversionOf(context));
        }
        resultValue(context, Value::text(std::move(text)));
    });
}

// vx_div(a, b): division of NUMBERs (never SQLite's integer division), and
// ORA-01476 for a zero divisor.
void divideFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    guarded(context, [&] {
        if (resultIsNull(context, argv, 2))
            return;
        const double divisor = sqlite3_value_double(argv[1]);
        if (divisor == 0)
            throw oraError(1476);
        resultValue(context, Value::number(numberInRange(sqlite3_value_double(argv[0]) / divisor)));
    });
}

// vx_date_add(date, days): DATE + n, to the nearest second.
void dateAddFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    guarded(context, [&] {
        if (resultIsNull(context, argv, 2))
            return;
        const OraDate date{sqlite3_value_int64(argv[0])};
        sqlite3_result_int64(context, shiftedDate(date, sqlite3_value_double(argv[1])).seconds);
    });
}

// vx_single(rows, value): a scalar subquery's value; ORA-01427 when it
// has more than one row.
void singleFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    guarded(context, [&] {
        if (sqlite3_value_int64(argv[0]) > 1)
            throw tableError(1427, "single-row subquery returns more than one row");
        sqlite3_result_value(context, argv[1]);
    });
}

bool likeText(std::string_view text, std::string_view pattern, int escape)
{
    return likeMatches(text, pattern, static_cast<char>(escape), escape >= 0);
}

// vx_like(text, pattern, escape): Oracle's LIKE, which tells case apart
// (SQLite's does not).
void likeFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    guarded(context, [&] {
        if (resultIsNull(context, argv, 2))
            return;
        int escape = -1;
        if (sqlite3_value_type(argv[2]) != SQLITE_NULL) {
            const std::string e = textArg(argv[2]);
            if (e.size() != 1)
                throw tableError(1425, "escape character must be character string of length 1");
            escape = static_cast<unsigned char>(e[0]);
        }
        sqlite3_result_int(context, likeText(textArg(argv[0]), textArg(argv[1]), escape) ? 1 : 0);
    });
}

// vx_fit(value, type, length, precision, scale, owner, table, column):
// a computed value as the column keeps it.
void fitFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    guarded(context, [&] {
        UserTable table;
        table.object = ObjectName{textArg(argv[5]), textArg(argv[6])};
        TableColumn column;
        column.type.type = typeOfCode(textArg(argv[1]));
        column.type.length = sqlite3_value_int(argv[2]);
        column.type.precision = sqlite3_value_int(argv[3]);
        column.type.scale = sqlite3_value_int(argv[4]);
        column.name = textArg(argv[7]);
        resultValue(context, fitColumn(table, column, fromSqlite(argv[0], column.type.type),
                                       conversionOf(context)));
    });
}

} // namespace

// vx_call(name, given, types, args...): a standard function of the engine
// over a row's values. `given` says which parameters the arguments fill (a
// bit each; 0 for a variadic function, whose arguments are all positional),
// `types` holds each argument's type code.
void UserTables::callFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    guarded(context, [&] {
        auto& tables = *static_cast<UserTables*>(sqlite3_user_data(context));
        if (argc < 3)
            throw oraError(600, {"[vx_call]"});
        // The name is a literal of the statement: SQLite keeps what it found
        // for the rows after the first.
        const auto* builtin = static_cast<const BuiltinDef*>(sqlite3_get_auxdata(context, 0));
        if (builtin == nullptr) {
            const std::string name = textArg(argv[0]);
            builtin = findBuiltin("", name);
            if (builtin == nullptr)
                throw oraError(600, {"[vx_call], [" + name + "]"});
            sqlite3_set_auxdata(context, 0, const_cast<BuiltinDef*>(builtin), nullptr);
        }
        const auto given = static_cast<unsigned>(sqlite3_value_int64(argv[1]));
        const std::string types = textArg(argv[2]);
        std::vector<Value> values;
        values.reserve(static_cast<std::size_t>(argc - 3));
        for (int i = 3; i < argc; ++i)
            values.push_back(fromSqlite(argv[i], typeOfCode(types.substr(i - 3, 1))));
        if (!tables.sqlInterpreter_)
            tables.sqlInterpreter_ = std::make_unique<Interpreter>(tables.state_);
        static const Expr noExpression;
        Frame frame;
        std::array<Value, kMaxBuiltinParams> args;
        BuiltinCall call{*tables.sqlInterpreter_, frame, noExpression, {}, given};
        if (builtin->variadic) {
            call.evaluated = values;
        } else {
            std::size_t next = 0;
            for (std::size_t i = 0; i < builtin->params.size() && i < args.size(); ++i) {
                if ((given >> i & 1U) != 0 && next < values.size())
                    args[i] = std::move(values[next++]);
            }
            call.args = std::span<Value>(args.data(), builtin->params.size());
        }
        try {
            resultValue(context, builtin->fn(call));
        } catch (const OraError& error) {
            // Where PL/SQL reports its conversion error, SQL says ORA-01722.
            if (error.code() == 6502
                && error.message().find("character to number") != std::string::npos)
                throw oraError(1722);
            throw;
        }
    });
}

namespace {

// A small cursor over the tokens of a table command.
class Words {
public:
    explicit Words(std::string_view text) : lexer_(text) { token_ = lexer_.next(); }

    const Token& token() const { return token_; }
    void advance() { token_ = lexer_.next(); }
    bool is(TokenKind kind) const { return token_.kind == kind; }
    bool isWord() const
    {
        return (token_.kind == TokenKind::Identifier
                || (token_.kind >= TokenKind::KwAnd && token_.kind <= TokenKind::KwWhile));
    }
    bool at(std::string_view upper) const { return isWord() && equalsKeyword(token_.text, upper); }
    bool accept(std::string_view upper)
    {
        if (!at(upper))
            return false;
        advance();
        return true;
    }
    bool accept(TokenKind kind)
    {
        if (!is(kind))
            return false;
        advance();
        return true;
    }
    void require(std::string_view upper)
    {
        if (!accept(upper))
            throw tableError(905, "missing keyword");
    }
    void require(TokenKind kind, int code, std::string_view text)
    {
        if (!accept(kind))
            throw tableError(code, std::string(text));
    }
    std::string name(int code, std::string_view text)
    {
        if (!is(TokenKind::Identifier) && !is(TokenKind::QuotedIdentifier))
            throw tableError(code, std::string(text));
        std::string result = normalizeIdentifier(token_);
        advance();
        return result;
    }
    ObjectName object(const std::string& user)
    {
        ObjectName object{user, name(903, "invalid table name")};
        if (accept(TokenKind::Dot)) {
            object.owner = object.name;
            object.name = name(903, "invalid table name");
        }
        return object;
    }
    int integer()
    {
        if (!is(TokenKind::Number)
            || token_.text.find_first_not_of("0123456789") != std::string_view::npos
            || token_.text.size() > 6)
            throw tableError(2017, "integer value required");
        const int value = std::stoi(std::string(token_.text));
        advance();
        return value;
    }
    void end()
    {
        accept(TokenKind::Semicolon);
        if (!is(TokenKind::EndOfFile))
            throw tableError(933, "SQL command not properly ended");
    }

private:
    Lexer lexer_;
    Token token_;
};

TypeSpec columnType(Words& words)
{
    TypeSpec type;
    if (words.accept("NUMBER")) {
        if (words.accept(TokenKind::LeftParen)) {
            type.precision = words.integer();
            if (type.precision < 1 || type.precision > 38)
                throw tableError(1727, "numeric precision specifier is out of range (1 to 38)");
            if (words.accept(TokenKind::Comma)) {
                type.scale = words.integer();
                if (type.scale > 38)
                    throw tableError(1728, "numeric scale specifier is out of range (-84 to 127)");
            }
            words.require(TokenKind::RightParen, 907, "missing right parenthesis");
            type.integer = type.scale == 0;
        }
    } else if (words.accept("INTEGER") || words.accept("INT")) {
        type.precision = 38;
        type.integer = true;
    } else if (words.accept("VARCHAR2") || words.accept("VARCHAR")) {
        type.type = ValueType::Varchar2;
        words.require(TokenKind::LeftParen, 906, "missing left parenthesis");
        type.length = words.integer();
        if (type.length < 1 || type.length > 4000)
            throw tableError(910, "specified length too long for its datatype");
        if (words.accept("CHAR") || words.accept("BYTE")) {}
        words.require(TokenKind::RightParen, 907, "missing right parenthesis");
    } else if (words.accept("DATE")) {
        type.type = ValueType::Date;
    } else if (words.isWord()) {
        throw unimplemented("column type " + normalizeIdentifier(words.token()));
    } else {
        throw tableError(902, "invalid datatype");
    }
    return type;
}

void parsePrimaryKeyList(Words& words, UserTable& table, bool& hasKey)
{
    if (hasKey)
        throw tableError(2260, "table can have only one primary key");
    hasKey = true;
    words.require(TokenKind::LeftParen, 906, "missing left parenthesis");
    do {
        const std::string name = words.name(904, "invalid identifier");
        bool found = false;
        for (auto& column : table.columns) {
            if (column.name == name) {
                column.primaryKey = true;
                column.notNull = true;
                found = true;
            }
        }
        if (!found)
            throw tableError(904, quotedName(name) + ": invalid identifier");
    } while (words.accept(TokenKind::Comma));
    words.require(TokenKind::RightParen, 907, "missing right parenthesis");
}

// DEFAULT literal | -number | NULL | SYSDATE | USER.
std::string parseDefaultValue(Words& words)
{
    const bool negative = words.accept(TokenKind::Minus);
    const Token token = words.token();
    if (token.kind == TokenKind::Number) {
        words.advance();
        return "N:" + std::string(negative ? "-" : "") + std::string(token.text);
    }
    if (!negative && token.kind == TokenKind::String) {
        words.advance();
        return "V:" + unquoteString(token.text);
    }
    if (!negative && words.accept(TokenKind::KwNull))
        return {};
    for (const char* word : {"SYSDATE", "USER"}) {
        if (!negative && words.accept(word))
            return word;
    }
    throw unimplemented("DEFAULT other than a literal, SYSDATE or USER");
}

// A DEFAULT, up to what follows it in the column definition; any other
// expression is refused.
std::string parseDefault(Words& words)
{
    std::string value = parseDefaultValue(words);
    if (!words.is(TokenKind::Comma) && !words.is(TokenKind::RightParen) && !words.isWord())
        throw unimplemented("DEFAULT other than a literal, SYSDATE or USER");
    return value;
}

void parseColumn(Words& words, UserTable& table, bool& hasKey)
{
    TableColumn column;
    column.name = words.name(904, "invalid identifier");
    for (const auto& other : table.columns) {
        if (other.name == column.name)
            throw tableError(957, "duplicate column name");
    }
    column.type = columnType(words);
    for (;;) {
        if (words.accept("CONSTRAINT"))
            words.name(904, "invalid identifier");
        if (words.accept(TokenKind::KwNot)) {
            words.require(TokenKind::KwNull, 905, "missing keyword");
            column.notNull = true;
        } else if (words.accept(TokenKind::KwNull)) {
        } else if (words.accept(TokenKind::KwDefault)) {
            column.defaultValue = parseDefault(words);
        } else if (words.accept("PRIMARY")) {
            words.require("KEY");
            if (hasKey)
                throw tableError(2260, "table can have only one primary key");
            hasKey = true;
            column.primaryKey = true;
            column.notNull = true;
        } else if (words.is(TokenKind::Comma) || words.is(TokenKind::RightParen)) {
            break;
        } else if (words.isWord()) {
            throw unimplemented(normalizeIdentifier(words.token()) + " in a column definition");
        } else {
            throw tableError(907, "missing right parenthesis");
        }
    }
    table.columns.push_back(std::move(column));
}

void createTable(Words& words, SessionState& state)
{
    UserTable table;
    table.object = words.object(state.user);
    if (table.object.owner != state.user
        && !state.database->catalog().hasPrivilege(state.user, Privilege::All))
        throw oraError(1031);
    if (words.accept(TokenKind::KwAs))
        throw unimplemented("CREATE TABLE ... AS SELECT");
    words.require(TokenKind::LeftParen, 906, "missing left parenthesis");
    bool hasKey = false;
    do {
        if (words.accept("CONSTRAINT"))
            words.name(904, "invalid identifier");
        if (words.accept("PRIMARY")) {
            words.require("KEY");
            parsePrimaryKeyList(words, table, hasKey);
        } else if (words.at("UNIQUE") || words.at("FOREIGN") || words.at("CHECK")) {
            throw unimplemented(normalizeIdentifier(words.token()) + " constraints");
        } else {
            parseColumn(words, table, hasKey);
        }
    } while (words.accept(TokenKind::Comma));
    words.require(TokenKind::RightParen, 907, "missing right parenthesis");
    words.end();
    userTables(state).createTable(table);
}

std::vector<TableAccess> tablePrivileges(Words& words)
{
    std::vector<TableAccess> privileges;
    do {
        if (words.accept("ALL")) {
            words.accept("PRIVILEGES");
            privileges.insert(privileges.end(), {TableAccess::Select, TableAccess::Insert,
                                                 TableAccess::Update, TableAccess::Delete});
        } else if (words.accept("SELECT")) {
            privileges.push_back(TableAccess::Select);
        } else if (words.accept("INSERT")) {
            privileges.push_back(TableAccess::Insert);
        } else if (words.accept("UPDATE")) {
            privileges.push_back(TableAccess::Update);
        } else if (words.accept("DELETE")) {
            privileges.push_back(TableAccess::Delete);
        } else {
            throw tableError(990, "missing or invalid privilege");
        }
    } while (words.accept(TokenKind::Comma));
    return privileges;
}

bool isTablePrivilegeWord(const Words& words)
{
    return words.at("SELECT") || words.at("INSERT") || words.at("UPDATE") || words.at("DELETE")
           || words.at("ALL");
}

void grantOnTable(Words& words, SessionState& state, bool granted)
{
    const auto privileges = tablePrivileges(words);
    words.require("ON");
    const ObjectName object = words.object(state.user);
    words.require(granted ? "TO" : "FROM");
    std::vector<std::string> users{words.name(987, "missing or invalid username(s)")};
    while (words.accept(TokenKind::Comma))
        users.push_back(words.name(987, "missing or invalid username(s)"));
    words.end();
    UserTables& tables = userTables(state);
    if (!tables.find(object))
        throw oraError(942);
    if (object.owner != state.user
        && !state.database->catalog().hasPrivilege(state.user, Privilege::All))
        throw oraError(1031);
    for (const auto& user : users) {
        if (!state.database->catalog().userExists(user))
            throw tableError(1917, "user or role '" + user + "' does not exist");
        for (const TableAccess access : privileges)
            tables.setGrant(object, user, access, granted);
    }
}

} // namespace

const TableColumn* UserTable::column(std::string_view name) const
{
    for (const auto& column : columns) {
        if (column.name == name)
            return &column;
    }
    return nullptr;
}

UserTables::UserTables(SessionState& state) : state_(state)
{
    const std::string file = state.database->path().string() + "-tables";
    // A new file is readable by its owner only, as the database is.
    if (const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); fd >= 0)
        ::close(fd);
    if (sqlite3_open_v2(file.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        {
            OraError error = oraError(1034);
            error.appendLine(file + ": " + reason);
            throw error;
        }
    }
    sqlite3_busy_handler(db_, &UserTables::onBusy, this);
    sqlite3_extended_result_codes(db_, 1);
    try {
        execute("PRAGMA journal_mode=WAL");
        execute("PRAGMA synchronous=NORMAL");
        execute(
            "CREATE TABLE IF NOT EXISTS \"vx$columns\"(owner TEXT NOT NULL, tname TEXT NOT NULL,"
            " position INTEGER NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL, length INTEGER "
            "NOT NULL,"
            " precision INTEGER NOT NULL, scale INTEGER NOT NULL, mandatory INTEGER NOT NULL,"
            " pk INTEGER NOT NULL, PRIMARY KEY(owner, tname, position))");
        // Kept apart from the columns, so that a file of a version without
        // defaults needs nothing but this table.
        execute("CREATE TABLE IF NOT EXISTS \"vx$defaults\"(owner TEXT NOT NULL, tname TEXT NOT "
                "NULL, name TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY(owner, tname, name))");
        execute("CREATE TABLE IF NOT EXISTS \"vx$grants\"(owner TEXT NOT NULL, tname TEXT NOT NULL,"
                " grantee TEXT NOT NULL, privilege TEXT NOT NULL, PRIMARY KEY(owner, tname, "
                "grantee, privilege))");
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
    auto* context = const_cast<ConversionContext*>(&state.conversion);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db_, "vx_concat", 4, flags, context, concatFunction, nullptr, nullptr);
    sqlite3_create_function(db_, "vx_div", 2, flags, context, divideFunction, nullptr, nullptr);
    sqlite3_create_function(db_, "vx_like", 3, flags, context, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db_, "vx_fit", 8, flags, context, fitFunction, nullptr, nullptr);
    sqlite3_create_function(db_, "vx_single", 2, flags, context, singleFunction, nullptr, nullptr);
    sqlite3_create_function(db_, "vx_date_add", 2, flags, context, dateAddFunction, nullptr,
                            nullptr);
    sqlite3_create_function(db_, "vx_call", -1, SQLITE_UTF8, this, &UserTables::callFunction,
                            nullptr, nullptr);
}

UserTables::~UserTables()
{
    for (auto& [sql, stmt] : statements_)
        sqlite3_finalize(stmt);
    // An open transaction ends with the session: rolled back.
    sqlite3_close(db_);
}

void UserTables::execute(const char* sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        fail(rc);
}

bool UserTables::inTransaction() const
{
    return sqlite3_get_autocommit(db_) == 0;
}

sqlite3_stmt* UserTables::prepare(const std::string& sql)
{
    if (const auto found = statements_.find(sql); found != statements_.end()) {
        sqlite3_reset(found->second);
        sqlite3_clear_bindings(found->second);
        return found->second;
    }
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(rc);
    }
    statements_.emplace(sql, stmt);
    return stmt;
}

void UserTables::runToEnd(sqlite3_stmt* stmt)
{
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        fail(rc);
}

void UserTables::fail(int rc, const UserTable* table)
{
    const std::string message = sqlite3_errmsg(db_);
    if (message.starts_with("ORA-") && message.size() >= 9)
        throw OraError(std::stoi(message.substr(4, 5)), message);
    // Another session's DROP TABLE commits before the catalog's generation
    // moves; a definition remembered in that gap names a table that is gone.
    if (message.starts_with("no such table: U:"))
        throw oraError(942);
    const std::string owner = table ? table->object.owner : std::string();
    const std::string name = table ? table->object.name : std::string();
    switch (rc & 0xff) {
    case SQLITE_CONSTRAINT:
        if (rc == SQLITE_CONSTRAINT_NOTNULL) {
            const auto dot = message.rfind('.');
            const std::string column =
                dot == std::string::npos ? std::string() : message.substr(dot + 1);
            throw tableError(1400, "cannot insert NULL into (" + quotedName(owner) + "."
                                       + quotedName(name) + "." + quotedName(column) + ")");
        }
        throw tableError(1, "unique constraint (" + owner + ".PK_" + name + ") violated");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        checkCancel(state_);
        throw oraError(54);
    case SQLITE_FULL:
        throw oraError(27072);
    default:
        throw oraError(600, {"[user tables], [" + message + "]"});
    }
}

namespace {

TableColumn viewColumn(const char* name, ValueType type, int length = -1)
{
    TableColumn column;
    column.name = name;
    column.type.type = type;
    column.type.length = length;
    return column;
}

} // namespace

// A view of the dictionary's made here: a temporary table of the session's
// connection, filled afresh each time a statement opens it.
std::shared_ptr<const UserTable> UserTables::userErrors(const std::string& user, TableAccess access)
{
    if (access != TableAccess::Select)
        throw oraError(1031);
    static const auto view = [] {
        auto table = std::make_shared<UserTable>();
        table->object = ObjectName{"SYS", "USER_ERRORS"};
        table->sqlName = "temp.\"vx$user_errors\"";
        table->columns = {viewColumn("NAME", ValueType::Varchar2, 128),
                          viewColumn("TYPE", ValueType::Varchar2, 12),
                          viewColumn("SEQUENCE", ValueType::Number),
                          viewColumn("LINE", ValueType::Number),
                          viewColumn("POSITION", ValueType::Number),
                          viewColumn("TEXT", ValueType::Varchar2, 4000),
                          viewColumn("ATTRIBUTE", ValueType::Varchar2, 9),
                          viewColumn("MESSAGE_NUMBER", ValueType::Number)};
        return std::shared_ptr<const UserTable>(std::move(table));
    }();
    // The rows first: compiling a unit that reads this view fills it too.
    const std::vector<CompileErrorRow> rows =
        state_.compileErrors ? state_.compileErrors(user) : std::vector<CompileErrorRow>();
    execute("CREATE TEMP TABLE IF NOT EXISTS \"vx$user_errors\"(\"NAME\" TEXT, \"TYPE\" TEXT, "
            "\"SEQUENCE\" NUMERIC, \"LINE\" NUMERIC, \"POSITION\" NUMERIC, \"TEXT\" TEXT, "
            "\"ATTRIBUTE\" TEXT, \"MESSAGE_NUMBER\" NUMERIC)");
    run("DELETE FROM temp.\"vx$user_errors\"");
    for (const CompileErrorRow& row : rows) {
        sqlite3_stmt* stmt = prepare("INSERT INTO temp.\"vx$user_errors\" VALUES (?1, ?2, ?3, ?4, "
                                     "?5, ?6, 'ERROR', ?7)");
        bindValue(stmt, 1, Value::varchar2(row.name));
        bindValue(stmt, 2, Value::varchar2(row.type));
        sqlite3_bind_int64(stmt, 3, row.sequence);
        sqlite3_bind_int64(stmt, 4, row.line);
        sqlite3_bind_int64(stmt, 5, row.position);
        bindValue(stmt, 6, Value::varchar2(row.text));
        sqlite3_bind_int64(stmt, 7, row.messageNumber);
        runToEnd(stmt);
    }
    return view;
}

Value columnDefault(const TableColumn& column, SessionState& state)
{
    const std::string& stored = column.defaultValue;
    if (stored == "SYSDATE")
        return Value::date(currentDate(*state.database));
    if (stored == "USER")
        return Value::text(state.user);
    if (stored.starts_with("N:"))
        return convert(Value::text(stored.substr(2)), ValueType::Number, state.conversion);
    if (stored.starts_with("V:"))
        return Value::text(stored.substr(2));
    return Value::null(column.type.type);
}

int UserTables::onBusy(void* self, int attempt)
{
    auto& tables = *static_cast<UserTables*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (attempt == 0)
        tables.waitStarted_ = now;
    if (tables.state_.cancel.pending() || now - tables.waitStarted_ >= kLockWait)
        return 0;
    std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(
        std::chrono::milliseconds(attempt + 1), kLongestLockPause));
    return 1;
}

std::optional<UserTable> UserTables::find(const ObjectName& object)
{
    sqlite3_stmt* stmt =
        prepare("SELECT name, type, length, precision, scale, mandatory, pk FROM \"vx$columns\""
                " WHERE owner = ?1 AND tname = ?2 ORDER BY position");
    bindValue(stmt, 1, Value::varchar2(object.owner));
    bindValue(stmt, 2, Value::varchar2(object.name));
    UserTable table;
    table.object = object;
    table.sqlName = quotedName("U:" + object.owner + "." + object.name);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        TableColumn column;
        column.name = columnValue(stmt, 0, ValueType::Varchar2).asText();
        const std::string type = columnValue(stmt, 1, ValueType::Varchar2).asText();
        column.type.type = type == "NUMBER" ? ValueType::Number
                           : type == "DATE" ? ValueType::Date
                                            : ValueType::Varchar2;
        column.type.length = sqlite3_column_int(stmt, 2);
        column.type.precision = sqlite3_column_int(stmt, 3);
        column.type.scale = sqlite3_column_int(stmt, 4);
        column.notNull = sqlite3_column_int(stmt, 5) != 0;
        column.primaryKey = sqlite3_column_int(stmt, 6) != 0;
        table.columns.push_back(std::move(column));
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        fail(rc);
    if (table.columns.empty())
        return std::nullopt;
    stmt = prepare("SELECT name, value FROM \"vx$defaults\" WHERE owner = ?1 AND tname = ?2");
    bindValue(stmt, 1, Value::varchar2(object.owner));
    bindValue(stmt, 2, Value::varchar2(object.name));
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const std::string name = columnValue(stmt, 0, ValueType::Varchar2).asText();
        for (auto& column : table.columns) {
            if (column.name == name)
                column.defaultValue = columnValue(stmt, 1, ValueType::Varchar2).asText();
        }
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        fail(rc);
    return table;
}

const std::shared_ptr<const UserTable>* UserTables::remembered(const ObjectName& object)
{
    const std::int64_t generation = state_.database->catalog().generation();
    if (generation != tablesGeneration_) {
        tables_.clear();
        tablesGeneration_ = generation;
    }
    auto key = std::make_pair(object.owner, object.name);
    if (const auto found = tables_.find(key); found != tables_.end())
        return &found->second;
    auto table = find(object);
    if (!table)
        return nullptr;
    return &tables_.emplace(std::move(key), std::make_shared<const UserTable>(std::move(*table)))
                .first->second;
}

std::shared_ptr<const UserTable>
UserTables::open(const std::string& user, const std::vector<std::string>& path, TableAccess access)
{
    const ObjectName object =
        path.size() == 2 ? ObjectName{path[0], path[1]} : ObjectName{user, path[0]};
    const auto* found = remembered(object);
    if (!found) {
        if ((path.size() == 1 && path[0] == "USER_ERRORS")
            || (path.size() == 2 && path[0] == "SYS" && path[1] == "USER_ERRORS"))
            return userErrors(user, access);
        throw oraError(942);
    }
    // A copy: a later open may forget the definitions while this one is in use.
    std::shared_ptr<const UserTable> table = *found;
    if (object.owner == user || state_.database->catalog().hasPrivilege(user, Privilege::All))
        return table;
    sqlite3_stmt* stmt = prepare(
        "SELECT privilege FROM \"vx$grants\" WHERE owner = ?1 AND tname = ?2 AND grantee = ?3");
    bindValue(stmt, 1, Value::varchar2(object.owner));
    bindValue(stmt, 2, Value::varchar2(object.name));
    bindValue(stmt, 3, Value::varchar2(user));
    bool any = false;
    bool allowed = false;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        any = true;
        allowed =
            allowed || columnValue(stmt, 0, ValueType::Varchar2).asText() == accessName(access);
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        fail(rc);
    if (!any)
        throw oraError(942);
    if (!allowed)
        throw oraError(1031);
    return table;
}

void UserTables::createTable(const UserTable& table)
{
    commit();
    Catalog& catalog = state_.database->catalog();
    if (find(table.object) || catalog.findProcedure(table.object)
        || catalog.findSynonym(table.object) || catalog.sequenceExists(table.object))
        throw oraError(955);
    std::string sql =
        "CREATE TABLE " + quotedName("U:" + table.object.owner + "." + table.object.name) + " (";
    std::string key;
    for (const auto& column : table.columns) {
        if (&column != &table.columns.front())
            sql += ", ";
        sql += quotedName(column.name);
        sql += column.type.type == ValueType::Number ? " NUMERIC"
               : column.type.type == ValueType::Date ? " INTEGER"
                                                     : " TEXT";
        if (column.notNull)
            sql += " NOT NULL";
        if (column.primaryKey)
            key += (key.empty() ? "" : ", ") + quotedName(column.name);
    }
    if (!key.empty())
        sql += ", PRIMARY KEY (" + key + ")";
    sql += ")";
    execute("BEGIN IMMEDIATE");
    try {
        execute(sql.c_str());
        int position = 0;
        for (const auto& column : table.columns) {
            sqlite3_stmt* stmt = prepare(
                "INSERT INTO \"vx$columns\" VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
            bindValue(stmt, 1, Value::varchar2(table.object.owner));
            bindValue(stmt, 2, Value::varchar2(table.object.name));
            sqlite3_bind_int(stmt, 3, ++position);
            bindValue(stmt, 4, Value::varchar2(column.name));
            bindValue(stmt, 5, Value::varchar2(typeCode(column.type.type)));
            sqlite3_bind_int(stmt, 6, column.type.length);
            sqlite3_bind_int(stmt, 7, column.type.precision);
            sqlite3_bind_int(stmt, 8, column.type.scale);
            sqlite3_bind_int(stmt, 9, column.notNull ? 1 : 0);
            sqlite3_bind_int(stmt, 10, column.primaryKey ? 1 : 0);
            runToEnd(stmt);
            if (column.defaultValue.empty())
                continue;
            stmt = prepare("INSERT INTO \"vx$defaults\" VALUES (?1, ?2, ?3, ?4)");
            bindValue(stmt, 1, Value::varchar2(table.object.owner));
            bindValue(stmt, 2, Value::varchar2(table.object.name));
            bindValue(stmt, 3, Value::varchar2(column.name));
            bindValue(stmt, 4, Value::varchar2(column.defaultValue));
            runToEnd(stmt);
        }
        execute("COMMIT");
    } catch (...) {
        rollback();
        throw;
    }
    catalog.markChanged();
}

void UserTables::dropTable(const ObjectName& object)
{
    commit();
    const auto table = find(object);
    if (!table)
        throw oraError(942);
    execute("BEGIN IMMEDIATE");
    try {
        execute(("DROP TABLE " + table->sqlName).c_str());
        for (const char* sql : {"DELETE FROM \"vx$columns\" WHERE owner = ?1 AND tname = ?2",
                                "DELETE FROM \"vx$defaults\" WHERE owner = ?1 AND tname = ?2",
                                "DELETE FROM \"vx$grants\" WHERE owner = ?1 AND tname = ?2"}) {
            sqlite3_stmt* stmt = prepare(sql);
            bindValue(stmt, 1, Value::varchar2(object.owner));
            bindValue(stmt, 2, Value::varchar2(object.name));
            runToEnd(stmt);
        }
        execute("COMMIT");
    } catch (...) {
        rollback();
        throw;
    }
    // Statements prepared on the dropped table would fail from now on.
    for (auto& [sql, stmt] : statements_)
        sqlite3_finalize(stmt);
    statements_.clear();
    state_.database->catalog().markChanged();
}

void UserTables::setGrant(const ObjectName& object, const std::string& grantee, TableAccess access,
                          bool granted)
{
    commit();
    sqlite3_stmt* stmt =
        prepare(granted ? "INSERT OR IGNORE INTO \"vx$grants\" VALUES (?1, ?2, ?3, ?4)"
                        : "DELETE FROM \"vx$grants\" WHERE owner = ?1 AND tname = ?2"
                          " AND grantee = ?3 AND privilege = ?4");
    bindValue(stmt, 1, Value::varchar2(object.owner));
    bindValue(stmt, 2, Value::varchar2(object.name));
    bindValue(stmt, 3, Value::varchar2(grantee));
    bindValue(stmt, 4, Value::varchar2(accessName(access)));
    runToEnd(stmt);
}

void UserTables::run(const std::string& sql)
{
    runToEnd(prepare(sql));
}

void UserTables::beginStatement(bool savepoint)
{
    if (!inTransaction())
        run("BEGIN IMMEDIATE");
    if (savepoint)
        run("SAVEPOINT vx_statement");
}

void UserTables::endStatement(bool succeeded)
{
    // SQLite ends the whole transaction itself after some faults (disk
    // full, I/O); then there is no statement left to undo.
    if (!inTransaction())
        return;
    if (!succeeded)
        run("ROLLBACK TO vx_statement");
    run("RELEASE vx_statement");
}

void UserTables::commit()
{
    if (inTransaction())
        execute("COMMIT");
}

void UserTables::rollback()
{
    if (inTransaction())
        execute("ROLLBACK");
}

UserTables& userTables(SessionState& state)
{
    if (!state.tables)
        state.tables = std::make_shared<UserTables>(state);
    return *state.tables;
}

std::string quotedName(std::string_view name)
{
    std::string text = "\"";
    for (const char c : name) {
        text += c;
        if (c == '"')
            text += '"';
    }
    return text + '"';
}

void bindValue(sqlite3_stmt* stmt, int index, const Value& value)
{
    if (value.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (value.type()) {
    case ValueType::Number: {
        const double number = value.asNumber();
        if (number == std::trunc(number) && std::fabs(number) < 9007199254740992.0)
            sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(number));
        else
            sqlite3_bind_double(stmt, index, number);
        return;
    }
    case ValueType::Date:
        sqlite3_bind_int64(stmt, index, value.asDate().seconds);
        return;
    case ValueType::Boolean:
        sqlite3_bind_int(stmt, index, value.asBoolean() ? 1 : 0);
        return;
    default:
        sqlite3_bind_text(stmt, index, value.asText().data(),
                          static_cast<int>(value.asText().size()), SQLITE_TRANSIENT);
        return;
    }
}

Value columnValue(sqlite3_stmt* stmt, int column, ValueType type)
{
    return fromSqlite(sqlite3_column_value(stmt, column), type);
}

Value sqlConvert(const Value& value, ValueType type, const ConversionContext& context)
{
    try {
        return convert(value, type, context);
    } catch (const OraError& error) {
        // SQL names the fault of a text that is no number ORA-01722.
        if (error.code() == 6502 && type == ValueType::Number)
            throw oraError(1722);
        throw;
    }
}

Value fitColumn(const UserTable& table, const TableColumn& column, const Value& value,
                const ConversionContext& context)
{
    Value result = sqlConvert(value, column.type.type, context);
    if (result.isNull())
        return result;
    if (column.type.type == ValueType::Varchar2 && column.type.length > 0
        && result.asText().size() > static_cast<std::size_t>(column.type.length)) {
        const std::string prefix = quotedName(table.object.owner) + "."
                                   + quotedName(table.object.name) + "." + quotedName(column.name);
        throw tableError(12899, "value too large for column " + prefix
                                    + " (actual: " + std::to_string(result.asText().size())
                                    + ", maximum: " + std::to_string(column.type.length) + ")");
    }
    if (column.type.type == ValueType::Number && column.type.precision > 0) {
        const double rounded = roundHalfAway(result.asNumber(), column.type.scale);
        if (std::fabs(rounded) >= std::pow(10.0, column.type.precision - column.type.scale))
            throw tableError(1438, "value larger than specified precision allowed for this column");
        result = Value::number(rounded);
    }
    return result;
}

std::optional<std::vector<std::pair<std::string, TypeSpec>>>
Session::Impl::tableColumns(const std::string& owner, const std::vector<std::string>& path)
{
    try {
        std::vector<std::pair<std::string, TypeSpec>> columns;
        for (const auto& column :
             userTables(session).open(owner, path, TableAccess::Select)->columns)
            columns.emplace_back(column.name, column.type);
        return columns;
    } catch (const OraError& error) {
        if (error.code() == 942 || error.code() == 1031)
            return std::nullopt;
        throw;
    }
}

bool runTableCommand(std::string_view text, SessionState& state)
{
    Words words(text);
    if (words.accept("COMMIT") || words.accept("ROLLBACK")) {
        const bool commit = equalsKeyword(Words(text).token().text, "COMMIT");
        words.accept("WORK");
        words.end();
        if (commit)
            userTables(state).commit();
        else
            userTables(state).rollback();
        return true;
    }
    if (words.accept("CREATE")) {
        if (!words.accept("TABLE"))
            return false;
        createTable(words, state);
        return true;
    }
    if (words.accept("DROP")) {
        if (!words.accept("TABLE"))
            return false;
        const ObjectName object = words.object(state.user);
        words.accept("PURGE");
        words.end();
        if (object.owner != state.user
            && !state.database->catalog().hasPrivilege(state.user, Privilege::All))
            throw oraError(1031);
        userTables(state).dropTable(object);
        return true;
    }
    const bool grant = words.at("GRANT");
    if (grant || words.at("REVOKE")) {
        words.advance();
        if (!isTablePrivilegeWord(words))
            return false;
        grantOnTable(words, state, grant);
        return true;
    }
    return false;
}

} // namespace vexmoor::engine
