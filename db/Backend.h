#pragma once

// What a backend offers the release-7 calls: a logged-on session that opens
// cursors, and cursors that take a statement, binds and runs it. Every
// failure is raised as a base::OraError carrying the error number, the full
// message and the parse error offset; the calls turn it into the three fields
// of the data area and the text oerhms gives back.

#include "Oci.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vexmoor::db::oci::detail {

class BackendCursor {
public:
    virtual ~BackendCursor() = default;

    virtual void parse(std::string_view statement) = 0;
    // `type` is the external data type of obndrv: 3 integer, 5 string.
    virtual void bind(std::string_view name, void* buffer, sb4 length, sword type,
                      sb2* indicator) = 0;
    virtual void execute() = 0;
    // Called by oclose; the cursor is destroyed afterwards, whatever happens.
    virtual void close() = 0;
};

class BackendSession {
public:
    virtual ~BackendSession() = default;

    virtual std::unique_ptr<BackendCursor> openCursor() = 0;
    // Asks the statement running on the session to stop (ORA-01013); called
    // from another thread while a call of the session may be running.
    virtual void interrupt() = 0;
};

} // namespace vexmoor::db::oci::detail
