#pragma once

// The pipe on PostgreSQL with orafce: its dbms_pipe functions through libpq.

#include "PipeChannel.h"

#include <string_view>

namespace vexmoor::db {
class PgSession;
}

namespace vexmoor::trace {

// The statements, each run with the pipe name as the parameter $1 where it
// takes one.
extern const std::string_view kPgReceiveStatement;
extern const std::string_view kPgLengthUnpackStatement;
extern const std::string_view kPgTextUnpackStatement;
// Reads the next item's type code and its text in one round trip.
extern const std::string_view kPgItemStatement;
extern const std::string_view kPgPurgeStatement;

// orafce's type codes onto the log's line prefixes: "NUMBER:\t" for 9,
// "VARCHAR2:\t" for 11, "DATE:\t" for 12, "TIMESTAMP:\t" for 13, "RAW:\t" for
// 23, "RECORD:\t" for 24; empty for any other code.
std::string_view pgItemLinePrefix(int typeCode);

class PgPipeChannel final : public PipeChannel {
public:
    explicit PgPipeChannel(db::PgSession& session) : session_(session) {}

    PipeDialect dialect() const override { return PipeDialect::PostgreSql; }
    std::unique_ptr<PipeReader> openReader() override;
    void purge(std::string_view pipeName) override;
    // Each statement in a transaction of its own; a lost connection is no
    // refusal and ends in the fatal report.
    std::vector<StatementRefusal> runEach(std::span<const std::string_view> statements) override;

private:
    db::PgSession& session_;
};

} // namespace vexmoor::trace
