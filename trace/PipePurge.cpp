#include "PipePurge.h"

#include "OciPipeChannel.h"

void PurgePipe(OciSession& session, std::string_view pipeName)
{
    vexmoor::trace::OciPipeChannel(session).purge(pipeName);
}

void PurgePipe(vexmoor::trace::PipeChannel& channel, std::string_view pipeName)
{
    channel.purge(pipeName);
}
