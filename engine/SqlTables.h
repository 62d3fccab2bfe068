#pragma once

#include "Ast.h"
#include "Catalog.h"
#include "SessionState.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;
struct sqlite3_value;

namespace vexmoor::engine {

class Interpreter;

// What a grant on a table allows.
enum class TableAccess : std::uint8_t { Select, Insert, Update, Delete };

struct TableColumn {
    std::string name; // upper case
    TypeSpec type;    // Number (precision, scale), Varchar2 (length) or Date
    bool notNull = false;
    bool primaryKey = false;
    // DEFAULT: empty for none; "SYSDATE", "USER", or "N:" / "V:" and the
    // number's or the text's literal.
    std::string defaultValue;
};

// The value a column's DEFAULT gives now.
Value columnDefault(const TableColumn& column, SessionState& state);

struct UserTable {
    ObjectName object;
    std::vector<TableColumn> columns;
    std::string sqlName; // the quoted SQLite name: "U:OWNER.NAME"

    const TableColumn* column(std::string_view name) const;
};

// The users' tables of one session. They live in a file beside the database
// (FILE-tables), on a connection of the session's own: the session's open
// transaction (from its first change to COMMIT or ROLLBACK) holds that file's
// write lock only, so pipe sends and receives, which commit in the database
// file at once, never wait for it and are never taken back by a ROLLBACK.
// Each table keeps NUMBER as SQLite numbers, VARCHAR2 as text and DATE as
// seconds since 1970, which compare and sort as Oracle's values do.
class UserTables {
public:
    explicit UserTables(SessionState& state);
    ~UserTables();
    UserTables(const UserTables&) = delete;
    UserTables& operator=(const UserTables&) = delete;

    // The table a name means for `user` (the running unit's owner): its own
    // schema unless qualified. ORA-00942 when it does not exist or the user
    // has no grant on it at all; ORA-01031 when the grant lacks `access`.
    // Definitions are remembered until the catalog's generation moves (every
    // CREATE and DROP TABLE moves it), so that a statement run once per row
    // does not read the columns each time; grants are checked every time.
    std::shared_ptr<const UserTable> open(const std::string& user,
                                          const std::vector<std::string>& path, TableAccess access);
    // Reads the definition from the file, never from what open remembers.
    std::optional<UserTable> find(const ObjectName& object);

    // DDL commits the open transaction first, as in Oracle. ORA-00955 when
    // the name is taken by a table, procedure or synonym of the schema.
    void createTable(const UserTable& table);
    void dropTable(const ObjectName& object); // ORA-00942
    void setGrant(const ObjectName& object, const std::string& grantee, TableAccess access,
                  bool granted);

    // One DML statement: starts the transaction when none is open, and with
    // `savepoint` marks where a failed statement is rolled back to (Oracle
    // undoes the statement, not the transaction). A statement that writes at
    // most one row needs no mark: SQLite checks its constraints and computes
    // its values before it writes anything, and undoes a failed statement's
    // changes itself, so a failure leaves nothing to undo. endStatement
    // belongs to a beginStatement with a savepoint only.
    void beginStatement(bool savepoint = true);
    void endStatement(bool succeeded);
    void commit();
    void rollback();

    // A prepared statement for SQL text, kept for the next use.
    sqlite3_stmt* prepare(const std::string& sql);
    // Steps a statement that returns no rows; its failure is `fail`'s.
    void runToEnd(sqlite3_stmt* stmt);
    // Raises the OraError for an SQLite result code: ORA-00001 for a
    // duplicate key, ORA-01400 for a NULL in a NOT NULL column, ORA-00054
    // when another session's transaction kept the lock too long, ORA-01013
    // when the session was cancelled while it waited for that lock, and the
    // ORA error a function of ours raised.
    [[noreturn]] void fail(int rc, const UserTable* table = nullptr);
    sqlite3* handle() const { return db_; }

private:
    static void callFunction(sqlite3_context* context, int argc, sqlite3_value** argv);
    // SQLite's busy handler: waits for another session's transaction to end,
    // up to a limit, and gives up at once when this session is cancelled.
    static int onBusy(void* self, int attempt);
    void execute(const char* sql);
    // A statement without parameters or rows, prepared once.
    void run(const std::string& sql);
    bool inTransaction() const;
    const std::shared_ptr<const UserTable>* remembered(const ObjectName& object);
    // USER_ERRORS, the one dictionary view: its rows for `user`, now.
    std::shared_ptr<const UserTable> userErrors(const std::string& user, TableAccess access);

    SessionState& state_;
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    // The definitions open found, and the catalog generation they hold for.
    std::map<std::pair<std::string, std::string>, std::shared_ptr<const UserTable>> tables_;
    std::int64_t tablesGeneration_ = -1;
    std::chrono::steady_clock::time_point waitStarted_;
    // Runs the standard functions that SQL calls on its rows (vx_call).
    std::unique_ptr<Interpreter> sqlInterpreter_;
};

// The session's tables, connected on first use.
UserTables& userTables(SessionState& state);

// A name as SQLite's SQL quotes it, every double quote doubled.
std::string quotedName(std::string_view name);

// Binds a PL/SQL value to an SQLite parameter (from 1), and reads a column
// (from 0) as a value of the given type.
void bindValue(sqlite3_stmt* stmt, int index, const Value& value);
Value columnValue(sqlite3_stmt* stmt, int column, ValueType type);

// Oracle's implicit conversion as SQL makes it: ORA-01722 for a text that
// is no number.
Value sqlConvert(const Value& value, ValueType type, const ConversionContext& context);

// A value as a column of that type takes it: converted, rounded to the
// scale; ORA-12899 for a text too long, ORA-01438 for a number too large.
Value fitColumn(const UserTable& table, const TableColumn& column, const Value& value,
                const ConversionContext& context);

// Runs the table commands: CREATE TABLE, DROP TABLE, GRANT/REVOKE
// SELECT|INSERT|UPDATE|DELETE|ALL ON table, COMMIT, ROLLBACK. False when the
// text is none of them.
bool runTableCommand(std::string_view text, SessionState& state);

} // namespace vexmoor::engine
