#pragma once

#include "ExecutionLimits.h"
#include "Statement.h"

#include <memory>
#include <string>
#include <string_view>

namespace vexmoor::engine {

class Database;

// A logged-on user of a database: its own dbms_pipe message buffer, its
// NLS_DATE_FORMAT and its cache of parsed statements. Ending a session needs
// no call to the database.
class Session {
public:
    // Raises ORA-01017 for an unknown user or a wrong password. User names
    // are case-insensitive, passwords are not.
    static std::unique_ptr<Session> logOn(std::shared_ptr<Database> database, std::string_view user,
                                          std::string_view password);

    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The user name as the catalog spells it (upper case).
    const std::string& user() const;
    Database& database();

    // Asks the statement running on this session to stop, from any thread
    // (async-signal-safe): it ends with ORA-01013 at its next loop turn or
    // procedure call, and a dbms_pipe send or receive that waits returns 3
    // (interrupted) without sending or taking a message. A request made
    // while nothing runs stops the next statement.
    void cancel() noexcept;

    // A statement for this text; nothing is checked until it runs. A
    // statement must not outlive the session that prepared it.
    std::unique_ptr<Statement> prepare(std::string text);

    // Bounds every later execution of this session's statements.
    void setLimits(const ExecutionLimits& limits);

    struct Impl;

private:
    explicit Session(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace vexmoor::engine
