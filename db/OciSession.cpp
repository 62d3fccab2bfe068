#include "OciSession.h"

#include "Oci.h"

namespace vexmoor::db {

OciSession* g_pSession = nullptr;

namespace {
constexpr int kThreadSafe = 1;
constexpr int kBlocking = 0;
constexpr int kNulTerminated = -1;
} // namespace

// make_unique<T[]> value-initialises: both areas start zero-filled.
OciSession::OciSession()
    : hostArea_(std::make_unique<std::uint8_t[]>(oci::kHostAreaSize)),
      logonArea_(std::make_unique<std::uint8_t[]>(oci::kLogonAreaSize))
{
    oci::opinit(kThreadSafe); // its result tells nothing the logon would not
}

// Frees both areas and nothing else: there is no log-off.
OciSession::~OciSession() = default;

bool OciSession::LogOn(const std::string& user, const std::string& password,
                       const std::string& connect)
{
    const oci::sword result =
        oci::olog(logonArea_.get(), hostArea_.get(), user.c_str(), kNulTerminated, password.c_str(),
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
    return oci::obreak(logonArea_.get()) == 0;
}

std::string OciSession::ErrorText()
{
    char text[oci::kMessageBufferSize] = {};
    oci::oerhms(logonArea_.get(), oci::returnCode(logonArea_.get()), text, oci::kMessageBufferSize);
    return text;
}

} // namespace vexmoor::db
