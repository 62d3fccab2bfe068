#include "ErrorReport.h"

#include "NoDestructor.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace vexmoor::db {

namespace {

void writeToStandardError(const std::string& report)
{
    std::fprintf(stderr, "%s\n", report.c_str());
    std::fflush(stderr);
}

struct HandlerSlot {
    std::mutex mutex;
    FatalErrorHandler handler = writeToStandardError;
};

HandlerSlot& slot()
{
    static oci::detail::NoDestructor<HandlerSlot> instance;
    return instance.get();
}

} // namespace

std::string composeErrorReport(std::string_view libraryText, std::string_view functionName,
                               unsigned parseOffset, std::string_view statement)
{
    std::string report = "ORACLE Error";
    if (!functionName.empty()) {
        report += " when processing OCI function ";
        report += functionName;
    }
    report += '\n';
    report += libraryText;
    char position[64];
    std::snprintf(position, sizeof position, "\nError on position %u in:\n", parseOffset);
    report += position;
    report += statement;
    return report;
}

FatalErrorHandler setFatalErrorHandler(FatalErrorHandler handler)
{
    auto& current = slot();
    std::lock_guard lock(current.mutex);
    if (!handler)
        handler = writeToStandardError;
    std::swap(current.handler, handler);
    return handler;
}

void showFatalErrorAndEnd(const std::string& report)
{
    FatalErrorHandler handler;
    {
        auto& current = slot();
        std::lock_guard lock(current.mutex);
        handler = current.handler;
    }
    try {
        handler(report);
    } catch (...) {
        // The process ends all the same; the report reaches the terminal at least.
        writeToStandardError(report);
    }
    std::abort();
}

} // namespace vexmoor::db
