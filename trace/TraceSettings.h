#pragma once

#include <cstdint>
#include <string>

// The five trace settings, with their defaults. Stored in the profile section
// "Options" under the names in the comments.
struct TraceSettings {
    std::string m_strPipeName = "vexmoor"; // Pipe Name
    std::int32_t m_nTimerFrequency = 5;    // Timer Frequency, seconds
    bool m_bLFFlag = true;                 // LF Flag
    bool m_bAutoUnpack = false;            // Auto Unpack
    bool m_bAllowEdit = true;              // Allow Edit
};
