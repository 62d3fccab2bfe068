#pragma once

#include <string_view>

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::trace {

class PipeChannel;

// Throws away every message waiting on the pipe, on a cursor of its own.
void purgePipe(db::OciSession& session, std::string_view pipeName);
// The same through a channel, on whatever database it reaches.
void purgePipe(PipeChannel& channel, std::string_view pipeName);

} // namespace vexmoor::trace
