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
    : hostArea_(std::make_unique<std::uint8_t[]>(vexmoor::db::oci::kHostAreaSize)),
      logonArea_(std::make_unique<std::uint8_t[]>(vexmoor::db::oci::kLogonAreaSize))
{
    vexmoor::db::oci::opinit(kThreadSafe); // its result tells nothing the logon would not
}

// Frees both areas and nothing else: there is no log-off.
OciSession::~OciSession() = default;

bool OciSession::LogOn(const std::string& user, const std::string& password,
                       const std::string& connect)
{
    const vexmoor::db::oci::sword result = vexmoor::db::oci::olog(
        logonArea_.get(), hostArea_.get(), user.c_str(), kNulTerminated, password.c_str(),
        kNulTerminated, connect.c_str(), kNulTerminated, kBlocking);
    loggedOn_ = result == 0;
    if (loggedOn_) {
        userName_ = user;
        connectString_ = connect;
    }
    return result == 0;
}

bool OciSession::Break()
{
    return vexmoor::db::oci::obreak(logonArea_.get()) == 0;
}

std::string OciSession::ErrorText()
{
    char text[vexmoor::db::oci::kMessageBufferSize] = {};
    vexmoor::db::oci::oerhms(logonArea_.get(), vexmoor::db::oci::returnCode(logonArea_.get()), text,
                             vexmoor::db::oci::kMessageBufferSize);
    return text;
}
