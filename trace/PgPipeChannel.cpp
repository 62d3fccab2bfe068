#include "PgPipeChannel.h"

#include "db/ErrorReport.h"
#include "db/PgSession.h"

#include <array>
#include <optional>

namespace vexmoor::trace {

const std::string_view kPgReceiveStatement = "select dbms_pipe.receive_message($1, 0)";
const std::string_view kPgLengthUnpackStatement = "select dbms_pipe.unpack_message_number()";
const std::string_view kPgTextUnpackStatement = "select dbms_pipe.unpack_message_text()";
// The type is asked first (materialized, so it runs exactly once), then the
// one unpack for that type runs. A bytea is taken and shown as 'UNKNOWN', as
// the Oracle path shows RAW.
const std::string_view kPgItemStatement =
    "with item as materialized (select dbms_pipe.next_item_type() as typ) "
    "select typ, case typ "
    "when 9 then dbms_pipe.unpack_message_number()::text "
    "when 11 then dbms_pipe.unpack_message_text() "
    "when 12 then dbms_pipe.unpack_message_date()::text "
    "when 13 then dbms_pipe.unpack_message_timestamp()::text "
    "when 23 then coalesce(left(dbms_pipe.unpack_message_bytea()::text, 0), '') || 'UNKNOWN' "
    "when 24 then dbms_pipe.unpack_message_record()::text "
    "end from item";
const std::string_view kPgPurgeStatement = "select dbms_pipe.purge($1)";

std::string_view pgItemLinePrefix(int typeCode)
{
    switch (typeCode) {
    case 9:
        return "NUMBER:\t";
    case 11:
        return "VARCHAR2:\t";
    case 12:
        return "DATE:\t";
    case 13:
        return "TIMESTAMP:\t";
    case 23:
        return "RAW:\t";
    case 24:
        return "RECORD:\t";
    default:
        return {};
    }
}

namespace {

constexpr std::string_view kStep = "PQexecParams";
constexpr int kNumberTypeCode = 9;

// An unpack of another type than the item's: orafce checks the type before
// it takes anything.
constexpr std::string_view kDatatypeMismatch = "42804";
// A record of an anonymous row type cannot be read back. orafce's buffer is
// not to be touched after that (asking for the next item's type there ends
// the server process), so the rest of the message is given up.
constexpr std::string_view kFeatureNotSupported = "0A000";

class PgPipeReader final : public PipeReader {
public:
    explicit PgPipeReader(db::PgSession& session) : session_(session) {}

    bool receiveMessage(std::string_view pipeName) override
    {
        const std::array<std::optional<std::string_view>, 1> parameters{pipeName};
        const auto result = session_.executeOrReport(kStep, kPgReceiveStatement, parameters);
        return !result.isNull(0, 0) && result.value(0, 0) == "0";
    }

    bool readLength(PipeItem& item) override
    {
        if (!run(kPgLengthUnpackStatement))
            return false;
        item = {kNumberTypeCode, pgItemLinePrefix(kNumberTypeCode), result_->value(0, 0)};
        return true;
    }

    bool readText(std::string_view& text) override
    {
        if (!run(kPgTextUnpackStatement))
            return false;
        text = result_->value(0, 0);
        return true;
    }

    bool readItem(bool, PipeItem& item) override
    {
        if (!run(kPgItemStatement))
            return false;
        const std::string_view code = result_->value(0, 0);
        const int typeCode = code.empty() ? 0 : std::stoi(std::string(code));
        item = {typeCode, pgItemLinePrefix(typeCode), result_->value(0, 1)};
        return true;
    }

    const MessageFailure& lastFailure() const override { return failure_; }

private:
    // False when the statement failed on the message; any other failure ends
    // in the fatal report.
    bool run(std::string_view statement)
    {
        result_.emplace(session_.execute(statement));
        if (result_->ok())
            return true;
        const db::PgError& error = result_->error();
        const bool wrongType = error.sqlState == kDatatypeMismatch;
        const bool unreadable = error.sqlState == kFeatureNotSupported;
        if (error.connectionLost || !(wrongType || unreadable))
            db::showFatalErrorAndEnd(db::composePgErrorReport(kStep, error, statement));
        failure_.firstLine = error.message;
        failure_.itemTaken = unreadable;
        failure_.restReadable = !unreadable;
        return false;
    }

    db::PgSession& session_;
    std::optional<db::PgResult> result_;
    MessageFailure failure_;
};

} // namespace

std::unique_ptr<PipeReader> PgPipeChannel::openReader()
{
    return std::make_unique<PgPipeReader>(session_);
}

void PgPipeChannel::purge(std::string_view pipeName)
{
    const std::array<std::optional<std::string_view>, 1> parameters{pipeName};
    session_.executeOrReport(kStep, kPgPurgeStatement, parameters);
}

std::vector<StatementRefusal> PgPipeChannel::runEach(std::span<const std::string_view> statements)
{
    std::vector<StatementRefusal> refused;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const auto result = session_.execute(statements[i]);
        if (result.ok())
            continue;
        if (result.error().connectionLost)
            db::showFatalErrorAndEnd(
                db::composePgErrorReport(kStep, result.error(), statements[i]));
        refused.push_back({i, 0, result.error().sqlState + ": " + result.error().message});
    }
    return refused;
}

} // namespace vexmoor::trace
