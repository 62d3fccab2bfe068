#pragma once

// Ctrl+C (and SIGTERM) ask the program to stop: the first one sets a flag that
// long-running commands check between steps; a second one ends the process
// the usual way, for when a step does not return.
void InstallStopSignals();
bool StopRequested();
