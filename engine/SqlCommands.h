#pragma once

#include "Catalog.h"
#include "SessionState.h"

#include <string_view>

namespace vexmoor::engine {

// What the SQL commands need of the session that runs them.
class SqlHost {
public:
    virtual ~SqlHost() = default;
    virtual SessionState& state() = 0;
    // Compiles a stored procedure, function or package afresh after it was
    // stored; raises ORA-24344 when its source (`body`: the package body's)
    // does not compile.
    virtual void compileStored(const ObjectName& object, bool body) = 0;
};

// True when the statement text is a PL/SQL block (its first word is BEGIN
// or DECLARE, or it starts with a <<label>>).
bool isPlSqlBlock(std::string_view text);

// Runs one of the SQL commands the engine knows: CREATE [OR REPLACE]
// PROCEDURE, CREATE [PUBLIC] SYNONYM, CREATE USER, DROP PROCEDURE / [PUBLIC]
// SYNONYM / USER, GRANT, REVOKE, ALTER SESSION SET NLS_DATE_FORMAT. Anything
// else raises ORA-00900.
//
// A procedure whose source does not compile is stored all the same (as
// Oracle keeps an invalid procedure) and the command raises ORA-24344
// "success with compilation error"; calls of it fail with PLS-00905.
void runSqlCommand(std::string_view text, SqlHost& host);

} // namespace vexmoor::engine
