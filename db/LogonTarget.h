#pragma once

#include <string>

namespace vexmoor::db {

// What the logon dialog logs on: one session, or the program's choice of
// session by the connect string (DatabaseSession).
class LogonTarget {
public:
    virtual ~LogonTarget() = default;

    // False leaves the reason in ErrorText and the target usable for another
    // attempt. Shows nothing.
    virtual bool LogOn(const std::string& user, const std::string& password,
                       const std::string& connect) = 0;
    virtual std::string ErrorText() = 0;
};

} // namespace vexmoor::db
