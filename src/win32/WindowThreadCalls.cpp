#include "win32/WindowThreadCalls.h"

#include <chrono>
#include <optional>

namespace pellora::win32 {

namespace {

// How often a caller still waiting makes sure the window was woken (a full
// message queue may have refused the first wake).
constexpr std::chrono::milliseconds kWakeAgain{200};

} // namespace

WindowThreadCalls::WindowThreadCalls(HWND window, UINT wakeMessage)
    : window_(window), wakeMessage_(wakeMessage), windowThread_(GetWindowThreadProcessId(window, nullptr))
{
}

bool WindowThreadCalls::onWindowThread() const
{
    return GetCurrentThreadId() == windowThread_;
}

void WindowThreadCalls::wake()
{
    if (state_->woken)
        return;
    state_->woken = PostMessageW(window_, wakeMessage_, 0, 0) != FALSE;
}

void WindowThreadCalls::enqueue(std::function<void()> task)
{
    state_->queue.push_back(std::move(task));
    wake();
}

void WindowThreadCalls::post(std::function<void()> task)
{
    if (onWindowThread()) {
        task();
        return;
    }
    const std::lock_guard lock(state_->mutex);
    if (!state_->closed)
        enqueue(std::move(task));
}

bool WindowThreadCalls::call(std::function<bool()> function, bool otherwise)
{
    if (onWindowThread())
        return function();
    auto answer = std::make_shared<std::optional<bool>>();
    std::unique_lock lock(state_->mutex);
    if (state_->closed)
        return otherwise;
    enqueue([state = state_, answer, function = std::move(function)] {
        const bool result = function();
        const std::lock_guard lock(state->mutex);
        *answer = result;
        state->answered.notify_all();
    });
    while (!answer->has_value() && !state_->closed) {
        if (!state_->answered.wait_for(lock, kWakeAgain, [&] { return answer->has_value() || state_->closed; }))
            wake();
    }
    return answer->value_or(otherwise);
}

void WindowThreadCalls::close()
{
    const std::lock_guard lock(state_->mutex);
    state_->closed = true;
    state_->queue.clear();
    state_->answered.notify_all();
}

// One task at a time, taken under the lock and run outside it: a task may
// turn a message loop in which this is called again, for the tasks after it.
void WindowThreadCalls::runPending()
{
    const std::shared_ptr<State> state = state_;
    for (;;) {
        std::function<void()> task;
        {
            const std::lock_guard lock(state->mutex);
            state->woken = false;
            if (state->closed || state->queue.empty())
                return;
            task = std::move(state->queue.front());
            state->queue.pop_front();
        }
        task();
    }
}

} // namespace pellora::win32
