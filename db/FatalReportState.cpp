#include "ErrorReport.h"

#include <atomic>

namespace {
std::atomic<bool> g_fatalReportShowing{false};
}

void SetFatalReportShowing(bool showing)
{
    g_fatalReportShowing.store(showing);
}

bool IsFatalReportShowing()
{
    return g_fatalReportShowing.load();
}
