#include "PgSession.h"

#include "ErrorReport.h"

#include "base/Text.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace vexmoor::db {

namespace {

constexpr std::string_view kConnectionFailure = "08006";


bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
           && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
                  return std::tolower(static_cast<unsigned char>(b)) == a;
              });
}

// libpq's messages end in a line feed and may go on with DETAIL lines.
std::string firstLine(const char* text)
{
    std::string_view line = text ? text : "";
    line = line.substr(0, line.find('\n'));
    return std::string(base::trimBlanks(line));
}

// Notices ("extension already exists, skipping") would reach the terminal
// through libpq's default; nothing here shows them.
void ignoreNotice(void*, const char*) {}

// Whether the session can go on: libpq's own errors (no SQLSTATE), the
// connection classes, and the server shutting the session down end it.
bool endsTheSession(pg_conn* connection, std::string_view sqlState)
{
    return PQstatus(connection) == CONNECTION_BAD || sqlState.empty() || sqlState.starts_with("08")
           || sqlState == "57P01" || sqlState == "57P02" || sqlState == "57P03";
}

PgError errorOf(pg_conn* connection, const pg_result* result)
{
    PgError error;
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    error.sqlState = state ? state : "";
    error.connectionLost = endsTheSession(connection, error.sqlState);
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    error.message = primary ? firstLine(primary) : firstLine(PQerrorMessage(connection));
    if (error.sqlState.empty())
        error.sqlState = kConnectionFailure;
    if (error.message.empty())
        error.message = "no answer from the server";
    return error;
}

} // namespace

bool isPostgresConnectString(std::string_view connect)
{
    connect = base::trimBlanks(connect);
    return startsWithNoCase(connect, "postgresql://") || startsWithNoCase(connect, "postgres://");
}

void PgResult::Free::operator()(pg_result* result) const
{
    PQclear(result);
}

PgResult::PgResult(std::unique_ptr<pg_result, Free> result, std::optional<PgError> error)
    : result_(std::move(result)), error_(std::move(error))
{
}

int PgResult::rows() const
{
    return ok() && result_ ? PQntuples(result_.get()) : 0;
}

bool PgResult::isNull(int row, int column) const
{
    return row >= rows() || column >= PQnfields(result_.get())
           || PQgetisnull(result_.get(), row, column) != 0;
}

std::string_view PgResult::value(int row, int column) const
{
    if (isNull(row, column))
        return {};
    return {PQgetvalue(result_.get(), row, column),
            static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

std::string composePgErrorReport(std::string_view step, const PgError& error,
                                 std::string_view statement)
{
    std::string report = "PostgreSQL Error";
    if (!step.empty()) {
        report += " when processing ";
        report += step;
    }
    report += "\nSQLSTATE ";
    report += error.sqlState;
    report += ": ";
    report += error.message;
    if (error.connectionLost)
        report += " (the connection to the server was lost)";
    report += "\nError in:\n";
    report += statement;
    return report;
}

void PgSession::Finish::operator()(pg_conn* connection) const
{
    PQfinish(connection);
}

PgSession::PgSession() = default;
PgSession::~PgSession() = default;

bool PgSession::logOn(const std::string& user, const std::string& password, const std::string& uri)
{
    // Later keywords override what the expanded URI says.
    std::vector<const char*> keys{"dbname"};
    const std::string target(base::trimBlanks(uri));
    std::vector<const char*> values{target.c_str()};
    if (!user.empty()) {
        keys.push_back("user");
        values.push_back(user.c_str());
    }
    if (!password.empty()) {
        keys.push_back("password");
        values.push_back(password.c_str());
    }
    keys.push_back("application_name");
    values.push_back("Vexmoor");
    keys.push_back(nullptr);
    values.push_back(nullptr);

    std::unique_ptr<pg_conn, Finish> connection(
        PQconnectdbParams(keys.data(), values.data(), /*expand_dbname=*/1));
    if (!connection) {
        errorText_ = "out of memory while connecting";
        return false;
    }
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        errorText_ = base::trimBlanks(PQerrorMessage(connection.get()));
        return false;
    }
    PQsetNoticeProcessor(connection.get(), ignoreNotice, nullptr);
    connection_ = std::move(connection);
    errorText_.clear();
    return true;
}

bool PgSession::isLoggedOn() const
{
    return connection_ != nullptr;
}

PgResult PgSession::execute(std::string_view statement,
                            std::span<const std::optional<std::string_view>> parameters)
{
    if (!connection_)
        return {nullptr, PgError{std::string(kConnectionFailure), "not logged on", true}};
    // libpq reads NUL-terminated texts.
    const std::string text(statement);
    std::vector<std::string> copies;
    copies.reserve(parameters.size());
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const auto& parameter : parameters) {
        if (!parameter) {
            values.push_back(nullptr);
            continue;
        }
        copies.emplace_back(*parameter);
        values.push_back(copies.back().c_str());
    }
    std::unique_ptr<pg_result, PgResult::Free> result(
        PQexecParams(connection_.get(), text.c_str(), static_cast<int>(values.size()), nullptr,
                     values.data(), nullptr, nullptr, /*resultFormat=*/0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return {std::move(result), std::nullopt};
    PgError error = errorOf(connection_.get(), result.get());
    return {std::move(result), std::move(error)};
}

PgResult PgSession::executeOrReport(std::string_view step, std::string_view statement,
                                    std::span<const std::optional<std::string_view>> parameters)
{
    PgResult result = execute(statement, parameters);
    if (!result.ok())
        showFatalErrorAndEnd(composePgErrorReport(step, result.error(), statement));
    return result;
}

} // namespace vexmoor::db
