#pragma once

#include "PipeChannel.h"

#include <memory>

namespace vexmoor::db {
class DatabaseSession;
}

namespace vexmoor::trace {

// The pipe on whichever database the session logged on to: PostgreSQL's
// dbms_pipe functions, or the protocol's statements on the OCI session. The
// session outlives the channel.
std::unique_ptr<PipeChannel> makePipeChannel(db::DatabaseSession& session);

} // namespace vexmoor::trace
