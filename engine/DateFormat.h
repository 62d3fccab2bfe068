#pragma once

#include "OraDate.h"

#include <string>
#include <string_view>

namespace vexmoor::engine {

// The session's default date format until ALTER SESSION changes it.
inline constexpr std::string_view kDefaultDateFormat = "DD-MON-RR";

// TO_CHAR(date, format) with Oracle's format elements (YYYY, YY, RR, RRRR,
// MM, MON, MONTH, DD, DDD, D, DY, DAY, HH, HH12, HH24, MI, SS, SSSSS, AM/PM,
// Q, WW, W, CC, FM; punctuation and "quoted text" pass through). Words follow
// the case of the element. A format it does not know raises ORA-01821.
std::string formatDate(OraDate date, std::string_view format);

// TO_DATE(text, format). Raises ORA-01861, ORA-01843, ORA-01847, ORA-01830 or
// ORA-01858 as Oracle does. `now` supplies the year and month that a format
// without them takes (Oracle: the current year and month, day 1).
OraDate parseDate(std::string_view text, std::string_view format, OraDate now);

// Checks a format model without converting anything (ALTER SESSION uses it).
bool isValidDateFormat(std::string_view format);

} // namespace vexmoor::engine
