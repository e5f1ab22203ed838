#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace pellora::win32 {

// Runs functions on a window's thread on behalf of another thread: through
// the window's message queue, so that they run in the order sent, after
// whatever the window was sent before, and in whatever message loop the
// thread turns, a message box's included. Once closed it runs nothing more,
// and every caller, waiting or to come, gets its fallback at once: whoever
// closes it can then wait for the other thread without both waiting forever.
class WindowThreadCalls {
public:
    // The window is woken with `wakeMessage` and hands it to runPending().
    WindowThreadCalls(HWND window, UINT wakeMessage);
    WindowThreadCalls(const WindowThreadCalls&) = delete;
    WindowThreadCalls& operator=(const WindowThreadCalls&) = delete;

    // Runs `task` there without waiting; at once when called there.
    void post(std::function<void()> task);
    // `function`'s result, or `otherwise` once closed. Called on the
    // window's own thread, it runs `function` at once.
    bool call(std::function<bool()> function, bool otherwise);
    void close();

    // For the window, on its wake message: runs what has been sent.
    void runPending();

private:
    // Shared with the calls in progress, which may outlive this object when
    // the window goes while one of them shows a message box.
    struct State {
        std::mutex mutex;
        std::condition_variable answered;
        std::deque<std::function<void()>> queue;
        bool closed = false;
        bool woken = false;
    };

    bool onWindowThread() const;
    // With the lock held: queues `task` and makes sure the window wakes.
    void enqueue(std::function<void()> task);
    void wake();

    HWND window_;
    UINT wakeMessage_;
    DWORD windowThread_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace pellora::win32
