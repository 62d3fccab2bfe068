#include "TraceSettings.h"

#include "Profile.h"

#include <cstdint>
#include <string_view>

namespace {

constexpr std::string_view kSection = "Options";

int AsFlag(std::int32_t value)
{
    return value != 0 ? 1 : 0;
}

} // namespace

TraceSettings LoadTraceSettings(const Profile& profile)
{
    const TraceSettings defaults;
    TraceSettings settings;
    settings.m_bLFFlag = profile.GetProfileInt(kSection, "LF Flag", defaults.m_bLFFlag);
    settings.m_bAutoUnpack = profile.GetProfileInt(kSection, "Auto Unpack", defaults.m_bAutoUnpack);
    settings.m_bAllowEdit = profile.GetProfileInt(kSection, "Allow Edit", defaults.m_bAllowEdit);
    settings.m_nTimerFrequency =
        profile.GetProfileInt(kSection, "Timer Frequency", defaults.m_nTimerFrequency);
    settings.m_strPipeName =
        profile.GetProfileString(kSection, "Pipe Name", defaults.m_strPipeName);
    return settings;
}

void StoreTraceSettings(const TraceSettings& settings, Profile& profile)
{
    profile.WriteProfileInt(kSection, "LF Flag", AsFlag(settings.m_bLFFlag));
    profile.WriteProfileInt(kSection, "Auto Unpack", AsFlag(settings.m_bAutoUnpack));
    profile.WriteProfileInt(kSection, "Allow Edit", AsFlag(settings.m_bAllowEdit));
    profile.WriteProfileInt(kSection, "Timer Frequency", settings.m_nTimerFrequency);
    profile.WriteProfileString(kSection, "Pipe Name", settings.m_strPipeName);
}
