#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace pellora {

// Runs a function on the thread of a QObject (the GUI thread) from another
// thread and waits for its result: through the event queue, so that it runs
// after whatever that thread was sent before, and in whatever event loop that
// thread turns, a modal dialog's included. Once closed it runs nothing more,
// and every caller, waiting or to come, gets its fallback at once: whoever
// closes it can then wait for the other thread without both waiting forever.
class GuiThreadCall {
public:
    explicit GuiThreadCall(QObject& context);
    GuiThreadCall(const GuiThreadCall&) = delete;
    GuiThreadCall& operator=(const GuiThreadCall&) = delete;

    // `function`'s result, or `otherwise` once closed. Called on the
    // context's own thread, it runs `function` at once.
    bool call(std::function<bool()> function, bool otherwise);
    void close();

private:
    // Shared with the calls still queued, which may outlive this object.
    struct State {
        std::mutex mutex;
        std::condition_variable answered;
        bool closed = false;
    };

    QObject& context_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace pellora
