#include "StopSignal.h"

#include <csignal>

#include <signal.h>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void OnStopSignal(int)
{
    g_stopRequested = 1;
}

} // namespace

void InstallStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Calls in progress (the database's file access) carry on; the next
    // check of the flag stops. SA_RESETHAND lets a second signal end the
    // process.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested()
{
    return g_stopRequested != 0;
}
