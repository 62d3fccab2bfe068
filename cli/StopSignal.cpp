#include "StopSignal.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <signal.h>

namespace vexmoor::cli {

namespace {

std::atomic<int> g_stopSignal{0};
std::mutex g_actionMutex;
std::function<void()> g_action; // guarded by g_actionMutex

sigset_t stopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

void runAction()
{
    std::lock_guard lock(g_actionMutex);
    if (g_action)
        g_action();
}

[[noreturn]] void waitForStopSignals(sigset_t signals)
{
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0)
            continue;
        int none = 0;
        if (!g_stopSignal.compare_exchange_strong(none, signal))
            std::_Exit(128 + signal); // the second: the first did not end it
        runAction();
    }
}

} // namespace

void installStopSignals()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        const sigset_t signals = stopSignals();
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        // Lives as long as the process; it holds nothing that needs an end.
        std::thread(waitForStopSignals, signals).detach();
    });
}

bool stopRequested()
{
    return g_stopSignal.load() != 0;
}

int stopExitStatus()
{
    const int signal = g_stopSignal.load();
    return signal == 0 ? 0 : 128 + signal;
}

StopAction::StopAction(std::function<void()> action)
{
    {
        std::lock_guard lock(g_actionMutex);
        g_action = std::move(action);
    }
    // A stop that came before there was anything to break.
    if (stopRequested())
        runAction();
}

StopAction::~StopAction()
{
    std::lock_guard lock(g_actionMutex);
    g_action = nullptr;
}

} // namespace vexmoor::cli
