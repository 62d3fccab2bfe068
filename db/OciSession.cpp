#include "OciSession.h"

#include "Oci.h"

OciSession* g_pSession = nullptr;

namespace {
constexpr int kThreadSafe = 1;
constexpr int kBlocking = 0;
constexpr int kNulTerminated = -1;
} // namespace

// make_unique<T[]> value-initialises: both areas start zero-filled.
OciSession::OciSession()
    : m_pHostArea(std::make_unique<std::uint8_t[]>(vexmoor::db::oci::kHostAreaSize)),
      m_pLogonArea(std::make_unique<std::uint8_t[]>(vexmoor::db::oci::kLogonAreaSize))
{
    vexmoor::db::oci::opinit(kThreadSafe); // its result tells nothing the logon would not
}

// Frees both areas and nothing else: there is no log-off.
OciSession::~OciSession() = default;

bool OciSession::LogOn(const std::string& user, const std::string& password,
                       const std::string& connect)
{
    const vexmoor::db::oci::sword result = vexmoor::db::oci::olog(
        m_pLogonArea.get(), m_pHostArea.get(), user.c_str(), kNulTerminated, password.c_str(),
        kNulTerminated, connect.c_str(), kNulTerminated, kBlocking);
    m_bLoggedOn = result == 0;
    if (m_bLoggedOn) {
        userName_ = user;
        connectString_ = connect;
    }
    return result == 0;
}

bool OciSession::Break()
{
    return vexmoor::db::oci::obreak(m_pLogonArea.get()) == 0;
}

std::string OciSession::ErrorText()
{
    char text[vexmoor::db::oci::kMessageBufferSize] = {};
    vexmoor::db::oci::oerhms(m_pLogonArea.get(), vexmoor::db::oci::returnCode(m_pLogonArea.get()),
                             text, vexmoor::db::oci::kMessageBufferSize);
    return text;
}
