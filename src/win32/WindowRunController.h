#pragma once

#include "batch/WorkerPool.h"
#include "win32/WindowBatchHost.h"
#include "win32/WindowThreadCalls.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

namespace pellora {
struct LiveRunOptions;
}

namespace pellora::win32 {

class RunView;

// Runs the window's batches, one at a time, on a thread of its own, so that
// the window stays the user's while a run goes on and a dialog the user opens
// holds nothing up. Whatever the run shows reaches the view through the
// window's message queue, in the order the run sent it; its message boxes are
// shown on the window's thread while the run waits for the answer.
class WindowRunController {
public:
    // `window` is woken with `wakeMessage` and hands it to runPending().
    // `options` are read as they are whenever the run reads one.
    // `startThread` as for WorkerPool: when the system refuses a thread, the
    // run goes on the calling thread instead.
    WindowRunController(HWND window, UINT wakeMessage, RunView& view, const LiveRunOptions& options,
                        WorkerPool::ThreadStarter startThread = WorkerPool::startThread);
    // Asks a run still going to stop and waits until it has: only the files
    // in hand finish, and a box it would show is answered No at once.
    ~WindowRunController();
    WindowRunController(const WindowRunController&) = delete;
    WindowRunController& operator=(const WindowRunController&) = delete;

    // Starts a run unless one is going; `jobs` conversions at once.
    void start(WindowBatchHost::Start start, unsigned jobs);
    // From start until the view has heard runFinished.
    bool running() const { return running_; }
    // The run stops before its next file and ends through its end line.
    void requestStop() { stopRequested_ = true; }
    // For the window, on its wake message.
    void runPending() { calls_.runPending(); }

    // For the run's thread.
    bool stopRequested() const { return stopRequested_; }
    void show(std::function<void(RunView&)> change);
    bool ask(std::function<bool(RunView&)> question, bool otherwise);
    // Returns once the window has shown everything sent before, and taken in
    // whatever the user did until then.
    void waitForWindow();

private:
    void run(const WindowBatchHost::Start& start, unsigned jobs);
    void endRun();

    RunView& view_;
    const LiveRunOptions& options_;
    WorkerPool::ThreadStarter startThread_;
    WindowThreadCalls calls_;
    std::atomic<bool> stopRequested_{false};
    bool running_ = false;
    std::thread thread_;
};

} // namespace pellora::win32
