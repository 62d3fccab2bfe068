#pragma once

namespace vexmoor::base {
class Profile;
}

namespace vexmoor::trace {
class CVexmoorView;
class PipeChannel;
} // namespace vexmoor::trace

namespace vexmoor::app {

// Gives the log window its Options command: the options dialog on the
// settings in force, which after OK stores them in `profile`; its Generate
// Procedures works on the channel's database. The window and the dialog live
// in different folders and meet only here.
void wireOptionsCommand(trace::CVexmoorView& view, base::Profile& profile,
                        trace::PipeChannel& channel);

} // namespace vexmoor::app
