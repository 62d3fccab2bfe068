#pragma once

// A session on a PostgreSQL server through libpq. No Qt; nothing above db/
// sees libpq's types.

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct pg_conn;
struct pg_result;

namespace vexmoor::db {

// "postgresql://..." or "postgres://..." (libpq's URI forms, any letter case,
// blanks around ignored): the connect strings a PostgreSQL session takes.
bool isPostgresConnectString(std::string_view connect);

// Why a statement failed: what the report names.
struct PgError {
    std::string sqlState; // five characters; "08006" when the connection was lost
    std::string message;  // the server's (or libpq's) first line
    bool connectionLost = false;
};

// The outcome of one statement: rows of text values, or the error.
class PgResult {
public:
    struct Free {
        void operator()(pg_result* result) const;
    };

    PgResult(std::unique_ptr<pg_result, Free> result, std::optional<PgError> error);

    bool ok() const { return !error_.has_value(); }
    const PgError& error() const { return *error_; }

    int rows() const;
    bool isNull(int row, int column) const;
    // The value's text; empty for NULL.
    std::string_view value(int row, int column) const;

private:
    std::unique_ptr<pg_result, Free> result_;
    std::optional<PgError> error_;
};

// "PostgreSQL Error when processing STEP\nSQLSTATE S: MESSAGE\nError in:\nSTATEMENT",
// the shape of the Oracle report with the SQLSTATE where Oracle has its number.
std::string composePgErrorReport(std::string_view step, const PgError& error,
                                 std::string_view statement);

class PgSession {
public:
    PgSession();
    ~PgSession();
    PgSession(const PgSession&) = delete;
    PgSession& operator=(const PgSession&) = delete;

    // Connects to the URI; a non-empty user and password replace the URI's.
    // False leaves libpq's message in ErrorText and the session usable for
    // another attempt. Shows nothing.
    bool logOn(const std::string& user, const std::string& password, const std::string& uri);
    bool isLoggedOn() const;
    const std::string& errorText() const { return errorText_; }

    // Runs one statement with text parameters ($1, $2...; nothing is NULL),
    // in a transaction of its own. Results come back as text.
    PgResult execute(std::string_view statement,
                     std::span<const std::optional<std::string_view>> parameters = {});

    // Runs a statement whose failure ends the process through the fatal
    // report naming `step`.
    PgResult executeOrReport(std::string_view step, std::string_view statement,
                             std::span<const std::optional<std::string_view>> parameters = {});

private:
    struct Finish {
        void operator()(pg_conn* connection) const;
    };
    std::unique_ptr<pg_conn, Finish> connection_;
    std::string errorText_;
};

} // namespace vexmoor::db
