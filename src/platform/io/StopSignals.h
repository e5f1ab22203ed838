#pragma once

#include <array>
#include <csignal>

namespace pellora {

// The signals that ask the program to stop: Ctrl+C (SIGINT), SIGTERM (a
// logout or shutdown, a service manager, kill) and SIGHUP (the terminal went
// away). Left at their default they end the process mid-file, with a
// temporary file left behind, a JPEG whose TGA was not yet deleted (the next
// run converts it again) and no end line in the log. While an object of this
// class lives they are caught instead, and a run stops at its next file.
//
// The handler only records the signal and writes a byte to a pipe, both safe
// in a handler whatever thread it interrupts; the program looks at
// received() between files, or watches wakeDescriptor() in its event loop.
class StopSignals {
public:
    StopSignals();
    ~StopSignals(); // restores what was there before and closes the pipe
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first of those signals caught since start-up, or 0.
    static int received();

    // Readable after each signal caught; -1 when no pipe could be made (then
    // only received() tells). Non-blocking.
    int wakeDescriptor() const { return wakeRead_; }
    // Empties the pipe once the wake-up has been seen.
    void drainWake() const;

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};

    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::array<struct sigaction, kSignals.size()> previous_{};
};

} // namespace pellora
