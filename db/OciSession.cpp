#include "OciSession.h"

#include "Oci.h"

OciSession* g_pSession = nullptr;

namespace {
constexpr int kThreadSafe = 1;
constexpr int kBlocking = 0;
constexpr int kNulTerminated = -1;
constexpr int kMessageBufferSize = 512;
} // namespace

// make_unique<T[]> value-initialises: both areas start zero-filled.
OciSession::OciSession()
    : m_pHostArea(std::make_unique<std::uint8_t[]>(vexmoor::oci::kHostAreaSize)),
      m_pLogonArea(std::make_unique<std::uint8_t[]>(vexmoor::oci::kLogonAreaSize))
{
    m_bLoggedOn = 0;
    m_bInitialised = 0;
    if (!m_bInitialised) {
        vexmoor::oci::opinit(kThreadSafe); // its result tells nothing the logon would not
        m_bInitialised = 1;
    }
}

// Frees both areas and nothing else: there is no log-off.
OciSession::~OciSession() = default;

bool OciSession::LogOn(const std::string& user, const std::string& password,
                       const std::string& connect)
{
    const vexmoor::oci::sword result = vexmoor::oci::olog(
        m_pLogonArea.get(), m_pHostArea.get(), user.c_str(), kNulTerminated, password.c_str(),
        kNulTerminated, connect.c_str(), kNulTerminated, kBlocking);
    m_bLoggedOn = result == 0 ? 1 : 0;
    return result == 0;
}

bool OciSession::Break()
{
    return vexmoor::oci::obreak(m_pLogonArea.get()) == 0;
}

std::string OciSession::ErrorText()
{
    char text[kMessageBufferSize] = {};
    vexmoor::oci::oerhms(m_pLogonArea.get(), vexmoor::oci::returnCode(m_pLogonArea.get()), text,
                         kMessageBufferSize);
    return text;
}
