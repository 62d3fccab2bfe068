#pragma once

#include "LogonTarget.h"

#include <memory>
#include <string>

namespace vexmoor::db {

class OciSession;
class PgSession;

// The desktop program's one logon. A `postgresql://` or `postgres://`
// connect string logs on a PostgreSQL session; every other one logs on the
// process's OCI session (Oracle or the embedded engine), which exists
// either way.
class DatabaseSession final : public LogonTarget {
public:
    explicit DatabaseSession(OciSession& oci);
    ~DatabaseSession() override;
    DatabaseSession(const DatabaseSession&) = delete;
    DatabaseSession& operator=(const DatabaseSession&) = delete;

    bool LogOn(const std::string& user, const std::string& password,
               const std::string& connect) override;
    // The reason the last attempt failed, from whichever session it used.
    std::string ErrorText() override;

    bool isLoggedOn() const;
    // The PostgreSQL session after a logon to one, else nullptr.
    PgSession* postgres() const { return postgres_.get(); }
    OciSession& oci() const { return oci_; }

    // Whom and where the last successful logon named; empty before one.
    const std::string& userName() const { return userName_; }
    const std::string& connectString() const { return connectString_; }

private:
    OciSession& oci_;
    std::unique_ptr<PgSession> postgres_;
    bool lastAttemptPostgres_ = false;
    std::string postgresError_;
    std::string userName_;
    std::string connectString_;
};

} // namespace vexmoor::db
