#include "OciCursor.h"

#include "ErrorReport.h"
#include "Oci.h"
#include "OciSession.h"

namespace oci = vexmoor::db::oci;

namespace {
constexpr int kNulTerminated = -1;
constexpr int kDeferredParse = 1;
constexpr int kRelease7Behaviour = 2;
} // namespace

OciCursor::OciCursor(OciSession& session)
    : m_pCursorArea(std::make_unique<std::uint8_t[]>(oci::kCursorAreaSize)), // zero-filled
      m_pLogonArea(session.LogonArea())
{
    if (oci::oopen(m_pCursorArea.get(), m_pLogonArea, nullptr, kNulTerminated, kNulTerminated,
                   nullptr, kNulTerminated)
        != 0)
        ReportError();
}

OciCursor::~OciCursor()
{
    if (oci::oclose(m_pCursorArea.get()) != 0)
        ReportError();
}

void OciCursor::SetStatement(const std::string& statement)
{
    // The stored copy is what the library parses and what a report shows.
    m_strStatement = statement;
    if (oci::oparse(m_pCursorArea.get(), m_strStatement.c_str(), kNulTerminated, kDeferredParse,
                    kRelease7Behaviour)
        != 0)
        ReportError();
}

void OciCursor::Bind(const char* name, void* buffer, std::int32_t length, std::int32_t type,
                     std::int16_t* indicator)
{
    if (oci::obndrv(m_pCursorArea.get(), name, kNulTerminated, static_cast<oci::ub1*>(buffer),
                    length, type, kNulTerminated, indicator, nullptr, kNulTerminated,
                    kNulTerminated)
        != 0)
        ReportError();
}

bool OciCursor::Execute(bool report)
{
    const oci::sword result = oci::oexec(m_pCursorArea.get());
    if (result != 0 && report)
        ReportError();
    return result == 0;
}

std::string OciCursor::FunctionName() const
{
    return FunctionCodeName(oci::functionCode(m_pCursorArea.get()));
}

std::string OciCursor::ErrorText() const
{
    char text[oci::kMessageBufferSize] = {};
    oci::oerhms(m_pLogonArea, oci::returnCode(m_pCursorArea.get()), text, oci::kMessageBufferSize);
    return text;
}

int OciCursor::ReturnCode() const
{
    return oci::returnCode(m_pCursorArea.get());
}

void OciCursor::ReportError()
{
    ShowFatalErrorAndEnd(ComposeErrorReport(
        ErrorText(), FunctionName(), oci::parseErrorOffset(m_pCursorArea.get()), m_strStatement));
}
