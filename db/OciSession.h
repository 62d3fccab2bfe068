#pragma once

#include "LogonTarget.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vexmoor::db {

// The one database connection of the process: its host and logon data areas.
class OciSession : public vexmoor::db::LogonTarget {
public:
    OciSession();
    ~OciSession() override;
    OciSession(const OciSession&) = delete;
    OciSession& operator=(const OciSession&) = delete;

    // Logs on; false leaves the session usable for another attempt and the
    // reason in ErrorText. Shows nothing.
    bool LogOn(const std::string& user, const std::string& password,
               const std::string& connect) override;
    // The library's text for the return code held in the logon area.
    std::string ErrorText() override;
    // Asks the statement that a cursor of this session runs on another
    // thread to stop (ORA-01013; a waiting dbms_pipe call returns 3). On
    // the embedded engine a break while nothing runs stops the next
    // statement. False when not logged on.
    bool Break();

    bool isLoggedOn() const { return loggedOn_; }
    // Whom and where the last successful logon named; empty before one.
    const std::string& userName() const { return userName_; }
    const std::string& connectString() const { return connectString_; }
    std::uint8_t* logonArea() const { return logonArea_.get(); }

private:
    std::unique_ptr<std::uint8_t[]> hostArea_;
    std::unique_ptr<std::uint8_t[]> logonArea_;
    bool loggedOn_ = false;
    std::string userName_;
    std::string connectString_;
};

// The process-wide session, created at start-up and deleted at exit.
extern OciSession* g_pSession;

} // namespace vexmoor::db
