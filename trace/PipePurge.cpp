#include "PipePurge.h"

#include "OciPipeChannel.h"

void purgePipe(OciSession& session, std::string_view pipeName)
{
    vexmoor::trace::OciPipeChannel(session).purge(pipeName);
}

void purgePipe(vexmoor::trace::PipeChannel& channel, std::string_view pipeName)
{
    channel.purge(pipeName);
}
