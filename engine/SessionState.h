#pragma once

#include "CancelRequest.h"
#include "CompileErrors.h"
#include "DbmsOutput.h"
#include "ExecutionLimits.h"
#include "MessageBuffer.h"
#include "Value.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vexmoor::engine {

class Database;
class UserTables;
struct PackageInstances;

// What the interpreter, the built-ins and the SQL commands need of a session:
// its database, its user, its dbms_pipe buffer and its NLS settings.
struct SessionState {
    std::shared_ptr<Database> database;
    std::string user;       // upper case
    std::string uniqueName; // dbms_pipe.unique_session_name
    MessageBuffer buffer;
    DbmsOutputBuffer output;      // dbms_output's lines
    ConversionContext conversion; // NLS_DATE_FORMAT and the clock
    ExecutionLimits limits;
    CancelRequest cancel;
    bool cancelHonoured = false; // a dbms_pipe wait of this statement gave way to `cancel`
    // The session's connection to its users' tables, opened on first use
    // (SqlTables.h); it holds the session's open transaction.
    std::shared_ptr<UserTables> tables;
    // CURRVAL: the last NEXTVAL of each sequence ("OWNER.NAME") in this session.
    std::map<std::string, std::int64_t> sequenceValues;
    // The session's own copies of the packages it used (PackageInstance.h).
    std::shared_ptr<PackageInstances> packages;
    // USER_ERRORS: why the stored units of a schema do not compile, as this
    // session compiles them (Session.cpp).
    std::function<std::vector<CompileErrorRow>(const std::string& owner)> compileErrors;
};

// ORA-01013 when the session has been asked to stop.
void checkCancel(const SessionState& state);

// SYSDATE: the database's clock as local civil time, to the second.
OraDate currentDate(const Database& database);

} // namespace vexmoor::engine
