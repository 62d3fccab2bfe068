#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vexmoor::db {

// The fatal report of a failing cursor call.

// "ORACLE Error[ when processing OCI function NAME]\nTEXT\nError on position
// N in:\nSTATEMENT".
std::string composeErrorReport(std::string_view libraryText, std::string_view functionName,
                               unsigned parseOffset, std::string_view statement);

// The name of a function code (0..66) as the report shows it; "" for 0.
std::string functionCodeName(std::uint8_t code);

// Shows a composed report. The process ends when the handler returns (or the
// handler ends it itself). The default writes to standard error.
using FatalErrorHandler = std::function<void(const std::string& report)>;
FatalErrorHandler setFatalErrorHandler(FatalErrorHandler handler); // returns the previous one

// Shows the report through the installed handler, then aborts the process.
[[noreturn]] void showFatalErrorAndEnd(const std::string& report);

// True while a fatal report is on screen. A window that shows the report sets
// it, so that timer ticks arriving meanwhile start no further database work.
void setFatalReportShowing(bool showing);
bool isFatalReportShowing();

} // namespace vexmoor::db
