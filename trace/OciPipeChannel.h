#pragma once

// The pipe on the Oracle client or the embedded engine: the protocol's
// statements (PipeStatements) on OciSession and OciCursor.

#include "PipeChannel.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::trace {

// The cursor operations a poll uses, as OciCursor offers them. A poll runs on
// an OciCursor; tests put a recording wrapper around one to see every
// statement and bind.
class PollCursor {
public:
    virtual ~PollCursor() = default;
    virtual void SetStatement(const std::string& statement) = 0;
    virtual void Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
                      std::int16_t* indicator) = 0;
    virtual bool Execute(bool report) = 0;
    // After Execute(false) failed: the Oracle error number, its text, and the
    // report that ends the process as Execute(true) would have.
    virtual int ErrorCode() const = 0;
    virtual std::string ErrorText() const = 0;
    [[noreturn]] virtual void ReportError() = 0;
};

// The reads of a poll on a cursor the caller keeps open.
std::unique_ptr<PipeReader> makeOciPipeReader(PollCursor& cursor);

class OciPipeChannel final : public PipeChannel {
public:
    explicit OciPipeChannel(db::OciSession& session) : session_(session) {}

    PipeDialect dialect() const override { return PipeDialect::Oracle; }
    std::unique_ptr<PipeReader> openReader() override;
    void purge(std::string_view pipeName) override;
    std::vector<StatementRefusal> runEach(std::span<const std::string_view> statements) override;

private:
    db::OciSession& session_;
};

} // namespace vexmoor::trace
