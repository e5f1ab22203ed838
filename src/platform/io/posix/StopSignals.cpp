#include "platform/io/StopSignals.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace pellora {

namespace {

// Only lock-free atomics may be touched from a handler.
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(kHangUpSignal == SIGHUP && kBrokenPipeSignal == SIGPIPE);

std::atomic<int> firstSignal{0};
std::atomic<int> wakeFd{-1};

extern "C" void onStopSignal(int number)
{
    const int savedErrno = errno;
    int none = 0;
    firstSignal.compare_exchange_strong(none, number);
    if (const int fd = wakeFd.load(); fd >= 0) {
        const char byte = 1;
        // A full pipe already holds a wake-up; nothing is lost.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = ends[0];
        wakeWrite_ = ends[1];
        wakeFd.store(wakeWrite_);
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on where they were; the run looks at the flag
    // between files.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &previous_[i]);
}

StopSignals::~StopSignals()
{
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    wakeFd.store(-1);
    if (wakeRead_ >= 0)
        ::close(wakeRead_);
    if (wakeWrite_ >= 0)
        ::close(wakeWrite_);
}

int StopSignals::received()
{
    return firstSignal.load();
}

void StopSignals::drainWake() const
{
    char bytes[64];
    while (wakeRead_ >= 0 && ::read(wakeRead_, bytes, sizeof bytes) > 0) {
    }
}

} // namespace pellora
