#include "ui/GuiThreadCall.h"

#include <QObject>
#include <QThread>
#include <optional>

namespace pellora {

GuiThreadCall::GuiThreadCall(QObject& context) : context_(context) {}

bool GuiThreadCall::call(std::function<bool()> function, bool otherwise)
{
    if (QThread::currentThread() == context_.thread())
        return function();
    auto answer = std::make_shared<std::optional<bool>>();
    {
        const std::lock_guard lock(state_->mutex);
        if (state_->closed)
            return otherwise;
    }
    QMetaObject::invokeMethod(
        &context_,
        [state = state_, answer, function = std::move(function)] {
            {
                const std::lock_guard lock(state->mutex);
                if (state->closed)
                    return;
            }
            const bool result = function();
            const std::lock_guard lock(state->mutex);
            *answer = result;
            state->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(state_->mutex);
    state_->answered.wait(lock, [&] { return answer->has_value() || state_->closed; });
    return answer->value_or(otherwise);
}

void GuiThreadCall::close()
{
    const std::lock_guard lock(state_->mutex);
    state_->closed = true;
    state_->answered.notify_all();
}

} // namespace pellora
