#include "TraceSettingsStore.h"

#include "app/Profile.h"
#include "trace/TraceSettings.h"

#include <cstdint>
#include <string_view>

namespace {

constexpr std::string_view kSection = "Options";

int AsFlag(std::int32_t value)
{
    return value != 0 ? 1 : 0;
}

} // namespace

void StoreTraceSettings(const TraceSettings& settings, Profile& profile)
{
    profile.WriteProfileInt(kSection, "LF Flag", AsFlag(settings.m_bLFFlag));
    profile.WriteProfileInt(kSection, "Auto Unpack", AsFlag(settings.m_bAutoUnpack));
    profile.WriteProfileInt(kSection, "Allow Edit", AsFlag(settings.m_bAllowEdit));
    profile.WriteProfileInt(kSection, "Timer Frequency", settings.m_nTimerFrequency);
    profile.WriteProfileString(kSection, "Pipe Name", settings.m_strPipeName);
}
