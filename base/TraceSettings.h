#pragma once

#include <cstdint>
#include <string>

namespace vexmoor::base {

class Profile;

// The five trace settings, with their defaults. Stored in the profile section
// "Options" under the names in the comments.
//
// The flags keep the integer the profile holds: any value but 0 is on, and
// the options dialog shows a value outside 0..2 unchecked and gives back 0.
struct TraceSettings {
    std::string m_strPipeName = "vexmoor"; // Pipe Name
    std::int32_t m_nTimerFrequency = 5;    // Timer Frequency, seconds
    std::int32_t m_bLFFlag = 1;            // LF Flag
    std::int32_t m_bAutoUnpack = 0;        // Auto Unpack
    std::int32_t m_bAllowEdit = 1;         // Allow Edit
};

// The one place that knows where the settings live in the profile.
//
// Reads the five settings in the order LF Flag, Auto Unpack, Allow Edit,
// Timer Frequency, Pipe Name; a missing value reads as its default, any
// other is taken as it is.
TraceSettings loadTraceSettings(const Profile& profile);

// Writes the five settings in the order LF Flag, Auto Unpack, Allow Edit,
// Timer Frequency (integers, the flags as 0 or 1), then Pipe Name (string).
// Only a confirmed options dialog stores them; nothing else writes these
// values.
void storeTraceSettings(const TraceSettings& settings, Profile& profile);

} // namespace vexmoor::base
