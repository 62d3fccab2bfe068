#include "OciCursor.h"

#include "ErrorReport.h"
#include "Oci.h"
#include "OciSession.h"

namespace vexmoor::db {

namespace oci = vexmoor::db::oci;

namespace {
constexpr int kNulTerminated = -1;
constexpr int kDeferredParse = 1;
constexpr int kRelease7Behaviour = 2;
} // namespace

OciCursor::OciCursor(OciSession& session)
    : cursorArea_(std::make_unique<std::uint8_t[]>(oci::kCursorAreaSize)), // zero-filled
      logonArea_(session.logonArea())
{
    if (oci::oopen(cursorArea_.get(), logonArea_, nullptr, kNulTerminated, kNulTerminated, nullptr,
                   kNulTerminated)
        != 0)
        ReportError();
}

OciCursor::~OciCursor()
{
    if (oci::oclose(cursorArea_.get()) != 0)
        ReportError();
}

void OciCursor::SetStatement(const std::string& statement)
{
    // The stored copy is what the library parses and what a report shows.
    statement_ = statement;
    if (oci::oparse(cursorArea_.get(), statement_.c_str(), kNulTerminated, kDeferredParse,
                    kRelease7Behaviour)
        != 0)
        ReportError();
}

void OciCursor::Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
                     std::int16_t* indicator)
{
    if (oci::obndrv(cursorArea_.get(), name, kNulTerminated, static_cast<oci::ub1*>(buffer), length,
                    type, kNulTerminated, indicator, nullptr, kNulTerminated, kNulTerminated)
        != 0)
        ReportError();
}

bool OciCursor::Execute(bool report)
{
    const oci::sword result = oci::oexec(cursorArea_.get());
    if (result != 0 && report)
        ReportError();
    return result == 0;
}

std::string OciCursor::FunctionName() const
{
    return functionCodeName(oci::functionCode(cursorArea_.get()));
}

std::string OciCursor::ErrorText() const
{
    char text[oci::kMessageBufferSize] = {};
    oci::oerhms(logonArea_, oci::returnCode(cursorArea_.get()), text, oci::kMessageBufferSize);
    return text;
}

int OciCursor::returnCode() const
{
    return oci::returnCode(cursorArea_.get());
}

void OciCursor::ReportError()
{
    showFatalErrorAndEnd(composeErrorReport(ErrorText(), FunctionName(),
                                            oci::parseErrorOffset(cursorArea_.get()), statement_));
}

} // namespace vexmoor::db
