#include "TraceSettings.h"

#include "Profile.h"

#include <cstdint>
#include <string_view>

namespace vexmoor::base {

namespace {

constexpr std::string_view kSection = "Options";

int asFlag(std::int32_t value)
{
    return value != 0 ? 1 : 0;
}

} // namespace

TraceSettings loadTraceSettings(const Profile& profile)
{
    const TraceSettings defaults;
    TraceSettings settings;
    settings.m_bLFFlag = profile.getProfileInt(kSection, "LF Flag", defaults.m_bLFFlag);
    settings.m_bAutoUnpack = profile.getProfileInt(kSection, "Auto Unpack", defaults.m_bAutoUnpack);
    settings.m_bAllowEdit = profile.getProfileInt(kSection, "Allow Edit", defaults.m_bAllowEdit);
    settings.m_nTimerFrequency =
        profile.getProfileInt(kSection, "Timer Frequency", defaults.m_nTimerFrequency);
    settings.m_strPipeName =
        profile.getProfileString(kSection, "Pipe Name", defaults.m_strPipeName);
    return settings;
}

void storeTraceSettings(const TraceSettings& settings, Profile& profile)
{
    profile.writeProfileInt(kSection, "LF Flag", asFlag(settings.m_bLFFlag));
    profile.writeProfileInt(kSection, "Auto Unpack", asFlag(settings.m_bAutoUnpack));
    profile.writeProfileInt(kSection, "Allow Edit", asFlag(settings.m_bAllowEdit));
    profile.writeProfileInt(kSection, "Timer Frequency", settings.m_nTimerFrequency);
    profile.writeProfileString(kSection, "Pipe Name", settings.m_strPipeName);
}

} // namespace vexmoor::base
