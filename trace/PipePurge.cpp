#include "PipePurge.h"

#include "OciPipeChannel.h"

namespace vexmoor::trace {

void purgePipe(db::OciSession& session, std::string_view pipeName)
{
    OciPipeChannel(session).purge(pipeName);
}

void purgePipe(PipeChannel& channel, std::string_view pipeName)
{
    channel.purge(pipeName);
}

} // namespace vexmoor::trace
