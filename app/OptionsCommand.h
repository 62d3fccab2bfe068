#pragma once

namespace vexmoor::base {
class Profile;
}

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::trace {
class CVexmoorView;
}

namespace vexmoor::app {

// Gives the log window its Options command: the options dialog on the
// settings in force, which after OK stores them in `profile`; its Generate
// Procedures works on `session`. The window and the dialog live in different
// folders and meet only here.
void wireOptionsCommand(trace::CVexmoorView& view, base::Profile& profile, db::OciSession& session);

} // namespace vexmoor::app
