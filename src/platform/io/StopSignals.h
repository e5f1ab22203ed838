#pragma once

#include "platform/io/FileHandle.h"

#include <csignal>

#ifndef _WIN32
#include <array>
#endif

namespace pellora {

// The numbers a stop is told by, as Linux numbers its signals, so a stopped
// run ends with the same status (128 + N) on every system. Windows' C
// library names only the first two.
inline constexpr int kInterruptSignal = SIGINT;   // Ctrl+C
inline constexpr int kTerminateSignal = SIGTERM;  // a logout or shutdown, a service manager, kill
inline constexpr int kHangUpSignal = 1;           // SIGHUP: the terminal went away
inline constexpr int kBrokenPipeSignal = 13;      // SIGPIPE: nobody reads standard output any more

// What asks the program to stop: on Linux the signals SIGINT (Ctrl+C),
// SIGTERM and SIGHUP; on Windows the console's Ctrl+C and Ctrl+Break (told
// as SIGINT), its closing (as SIGHUP) and the user's logoff or the system's
// shutdown (as SIGTERM). Left at their default they end the process
// mid-file, with a temporary file left behind, a JPEG whose TGA was not yet
// deleted (the next run converts it again) and no end line in the log. While
// an object of this class lives they are caught instead, and a run stops at
// its next file.
//
// The handler only records the stop and wakes the program, both safe
// whatever thread it interrupts; the program looks at received() between
// files, or waits for wakeDescriptor() in its event loop.
class StopSignals {
public:
    StopSignals();
    // Restores what was there before. On Windows, a console being closed is
    // held open until here, so the run that stopped gets to log its end.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first stop caught since start-up, as its signal number, or 0.
    static int received();

    // Readable (a pipe's end on Linux) or signalled (an event on Windows)
    // after each stop caught; kNoNativeHandle when none could be made (then
    // only received() tells). Non-blocking.
    NativeHandle wakeDescriptor() const { return wakeRead_; }
    // Takes the wake-up back once it has been seen.
    void drainWake() const;

private:
    NativeHandle wakeRead_ = kNoNativeHandle;
#ifdef _WIN32
    NativeHandle stopped_ = kNoNativeHandle; // set when the run has stopped
#else
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};

    int wakeWrite_ = -1;
    std::array<struct sigaction, kSignals.size()> previous_{};
#endif
};

} // namespace pellora
