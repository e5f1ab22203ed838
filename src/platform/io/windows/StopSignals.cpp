#include "platform/io/StopSignals.h"

#include <windows.h>

#include <atomic>

namespace pellora {

namespace {

// The console calls its handlers on a thread of its own: only lock-free
// atomics pass between it and the run.
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<HANDLE>::is_always_lock_free);

std::atomic<int> firstSignal{0};
std::atomic<HANDLE> wakeEvent{nullptr};
std::atomic<HANDLE> stoppedEvent{nullptr};

int signalFor(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: return kInterruptSignal;
    case CTRL_CLOSE_EVENT: return kHangUpSignal;
    default: return kTerminateSignal; // logoff, shutdown
    }
}

// After a close, a logoff or a shutdown the system ends the process as soon
// as the handler returns (and by itself a few seconds later); until then the
// run finishes the file in hand and logs its end.
bool endsProcessOnReturn(DWORD event)
{
    return event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    int none = 0;
    firstSignal.compare_exchange_strong(none, signalFor(event));
    if (const HANDLE wake = wakeEvent.load())
        ::SetEvent(wake);
    if (endsProcessOnReturn(event)) {
        if (const HANDLE stopped = stoppedEvent.load())
            ::WaitForSingleObject(stopped, INFINITE);
    }
    return TRUE;
}

} // namespace

StopSignals::StopSignals()
{
    // Manual reset: every waiter sees the wake-up until drainWake().
    wakeRead_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stopped_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wakeEvent.store(wakeRead_);
    stoppedEvent.store(stopped_);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    wakeEvent.store(nullptr);
    stoppedEvent.store(nullptr);
    if (stopped_ != kNoNativeHandle) {
        ::SetEvent(stopped_); // a handler holding a closing console lets it go
        ::CloseHandle(stopped_);
    }
    if (wakeRead_ != kNoNativeHandle)
        ::CloseHandle(wakeRead_);
}

int StopSignals::received()
{
    return firstSignal.load();
}

void StopSignals::drainWake() const
{
    if (wakeRead_ != kNoNativeHandle)
        ::ResetEvent(wakeRead_);
}

} // namespace pellora
