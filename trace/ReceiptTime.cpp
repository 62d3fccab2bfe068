#include "ReceiptTime.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vexmoor::trace {

WallClockTime localWallClockTime(std::chrono::system_clock::time_point moment)
{
    using namespace std::chrono;
    // Floor, not truncation: a moment before 1970 still counts its
    // milliseconds forward from the start of its second.
    const auto sinceEpoch = floor<milliseconds>(moment.time_since_epoch());
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const std::time_t seconds = static_cast<std::time_t>(wholeSeconds.count());
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr)
        return {};
    WallClockTime time;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    // A leap second shows as :60 where the zone data knows it; keep it.
    time.second = local.tm_sec;
    time.millisecond = static_cast<int>((sinceEpoch - wholeSeconds).count());
    time.utcOffsetSeconds = static_cast<int>(local.tm_gmtoff);
    return time;
}

std::string formatReceiptTime(const WallClockTime& time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", time.hour, time.minute, time.second,
                  time.millisecond);
    return text;
}

std::string formatReceiptTime(std::chrono::system_clock::time_point moment)
{
    return formatReceiptTime(localWallClockTime(moment));
}

std::string formatJournalTime(const WallClockTime& time)
{
    const int offsetMinutes = std::abs(time.utcOffsetSeconds) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second, time.millisecond,
                  time.utcOffsetSeconds < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

std::string formatJournalTime(std::chrono::system_clock::time_point moment)
{
    return formatJournalTime(localWallClockTime(moment));
}

} // namespace vexmoor::trace
