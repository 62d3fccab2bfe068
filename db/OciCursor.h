#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vexmoor::db {

class OciSession;

// One cursor on the session, always a local object of the operation that uses
// it. Every failing call (open, SetStatement, Bind, Execute with report on,
// close) ends in the error report, which ends the process.
class OciCursor {
public:
    explicit OciCursor(OciSession& session);
    virtual ~OciCursor();
    OciCursor(const OciCursor&) = delete;
    OciCursor& operator=(const OciCursor&) = delete;

    // Stores the text and parses it (deferred: errors come from Execute).
    void SetStatement(const std::string& statement);
    // Binds a placeholder such as ":sta" to the caller's buffer, which with
    // the indicator must stay valid until the following Execute has returned.
    void Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
              std::int16_t* indicator);
    // True when the statement ran; with report off a failure returns false.
    bool Execute(bool report);

    // After a call that failed without a report: the report that ends the
    // process after all.
    [[noreturn]] void ReportError();

    // The name of the library function that failed last, from the cursor area.
    std::string FunctionName() const;
    // The library's text for the return code of the last call (a failed
    // Execute with report off, say).
    std::string ErrorText() const;
    // The Oracle error number of the last call; 0 when it succeeded.
    int returnCode() const;
    const std::string& Statement() const { return statement_; }

private:
    std::unique_ptr<std::uint8_t[]> cursorArea_;
    std::uint8_t* logonArea_;
    std::string statement_;
};

} // namespace vexmoor::db
