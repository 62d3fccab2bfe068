#pragma once

class CVexmoorView;
class OciSession;
class Profile;

// Gives the log window its Options command: the options dialog on the
// settings in force, which after OK stores them in `profile`; its Generate
// Procedures works on `session`. The window and the dialog live in different
// folders and meet only here.
void wireOptionsCommand(CVexmoorView& view, Profile& profile, OciSession& session);
