#pragma once

class Profile;
struct TraceSettings;

// Writes the five trace settings to the profile section "Options", in the
// order LF Flag, Auto Unpack, Allow Edit, Timer Frequency (integers, the flags
// as 0 or 1), then Pipe Name (string). Only a confirmed options dialog stores
// them; nothing else writes these values.
void StoreTraceSettings(const TraceSettings& settings, Profile& profile);
