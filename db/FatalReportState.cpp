#include "ErrorReport.h"

#include <atomic>

namespace vexmoor::db {

namespace {
std::atomic<bool> g_fatalReportShowing{false};
}

void setFatalReportShowing(bool showing)
{
    g_fatalReportShowing.store(showing);
}

bool isFatalReportShowing()
{
    return g_fatalReportShowing.load();
}

} // namespace vexmoor::db
