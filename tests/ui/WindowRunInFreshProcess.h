#pragma once

namespace pellora::test {

// The test binary started with this as its first argument and a program
// folder as its second opens the window of that folder as the program does
// (its settings, the stop signals caught) and starts a run at once; it ends
// when the window does, with the program's exit status.
inline constexpr const char* kRunWindowUntilStopped = "--run-window-until-stopped";

// Runs in that fresh process; its result is the process's exit status.
int runWindowUntilStopped(const char* programFolder);

} // namespace pellora::test
