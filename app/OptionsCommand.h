#pragma once

class CVexmoorView;
class Profile;

namespace vexmoor::trace {
class PipeChannel;
}

// Gives the log window its Options command: the options dialog on the
// settings in force, which after OK stores them in `profile`; its Generate
// Procedures works on the channel's database. The window and the dialog live
// in different folders and meet only here.
void wireOptionsCommand(CVexmoorView& view, Profile& profile, vexmoor::trace::PipeChannel& channel);
