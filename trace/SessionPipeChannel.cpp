#include "SessionPipeChannel.h"

#include "OciPipeChannel.h"
#include "PgPipeChannel.h"
#include "db/DatabaseSession.h"

namespace vexmoor::trace {

std::unique_ptr<PipeChannel> makePipeChannel(db::DatabaseSession& session)
{
    if (db::PgSession* postgres = session.postgres())
        return std::make_unique<PgPipeChannel>(*postgres);
    return std::make_unique<OciPipeChannel>(session.oci());
}

} // namespace vexmoor::trace
