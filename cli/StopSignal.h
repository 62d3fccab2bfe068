#pragma once

#include <functional>

namespace vexmoor::cli {

// Ctrl+C (SIGINT) and SIGTERM ask the program to stop. The signals are taken
// by a thread of their own, not by a handler, so that what a stop has to do
// may take locks: the first signal sets the flag that commands check between
// steps and runs the stop action (which breaks the statement the database is
// running); a second one ends the process at once, for when a step does not
// return. Install before any other thread starts: the signals are blocked in
// the calling thread, and so in every thread it starts later.
void installStopSignals();
bool stopRequested();
// 128 + the number of the signal that asked to stop (130 SIGINT, 143
// SIGTERM); 0 while none has.
int stopExitStatus();

// While it lives, a stop runs `action` (at once when a stop came before).
// The action runs on the signal thread.
class StopAction {
public:
    explicit StopAction(std::function<void()> action);
    ~StopAction();
    StopAction(const StopAction&) = delete;
    StopAction& operator=(const StopAction&) = delete;
};

} // namespace vexmoor::cli
