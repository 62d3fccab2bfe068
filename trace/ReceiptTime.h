#pragma once

#include <chrono>
#include <string>

namespace vexmoor::trace {

// A moment as the local clock on the wall showed it, with the offset from UTC
// that applied then (so that a time in the hour that repeats when summer time
// ends still names one moment).
struct WallClockTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int utcOffsetSeconds = 0; // east of UTC positive
};

// The local wall-clock time of `moment` in the process's time zone (TZ).
WallClockTime localWallClockTime(std::chrono::system_clock::time_point moment);

// "HH:MM:SS.mmm": the receipt time that View > Receipt Time and
// `vexmoor-cli tail --receipt-time` put before a line.
std::string formatReceiptTime(const WallClockTime& time);
std::string formatReceiptTime(std::chrono::system_clock::time_point moment);

// ISO 8601 with milliseconds and the UTC offset,
// "2026-12-07T17:54:43.123+01:00": what the journal puts before a line.
std::string formatJournalTime(const WallClockTime& time);
std::string formatJournalTime(std::chrono::system_clock::time_point moment);

} // namespace vexmoor::trace
