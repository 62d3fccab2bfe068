#include "DatabaseSession.h"

#include "OciSession.h"
#include "PgSession.h"

namespace vexmoor::db {

DatabaseSession::DatabaseSession(OciSession& oci) : oci_(oci) {}

DatabaseSession::~DatabaseSession() = default;

bool DatabaseSession::LogOn(const std::string& user, const std::string& password,
                            const std::string& connect)
{
    lastAttemptPostgres_ = isPostgresConnectString(connect);
    bool loggedOn = false;
    if (lastAttemptPostgres_) {
        // A failed attempt keeps no half-made connection: the next attempt
        // starts from scratch, whichever kind it is.
        auto session = std::make_unique<PgSession>();
        loggedOn = session->logOn(user, password, connect);
        postgresError_ = session->errorText();
        if (loggedOn)
            postgres_ = std::move(session);
    } else {
        loggedOn = oci_.LogOn(user, password, connect);
        if (loggedOn)
            postgres_.reset();
    }
    if (loggedOn) {
        userName_ = user;
        connectString_ = connect;
    }
    return loggedOn;
}

std::string DatabaseSession::ErrorText()
{
    return lastAttemptPostgres_ ? postgresError_ : oci_.ErrorText();
}

bool DatabaseSession::isLoggedOn() const
{
    return postgres_ ? postgres_->isLoggedOn() : oci_.isLoggedOn();
}

} // namespace vexmoor::db
