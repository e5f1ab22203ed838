#include "batch/InFlightConversions.h"

#include "batch/ConvertTgaToJpeg.h"

#include <chrono>

namespace pellora {

InFlightConversions::InFlightConversions(unsigned jobs)
    : jobs_(jobs == 0 ? 1 : jobs), pool_(std::make_unique<WorkerPool>(jobs_))
{
}

InFlightConversions::~InFlightConversions()
{
    for (auto& pending : pending_)
        pending.result.wait();
}

void InFlightConversions::start(const SourceFile& file, const QString& newName,
                                const std::filesystem::path& destination, int quality)
{
    auto task = std::make_shared<std::packaged_task<std::int16_t()>>(
        [source = file.Path, destination, quality] { return ConvertTgaToJpeg(source, destination, quality); });
    pending_.push_back(Pending{file, newName, task->get_future()});
    pool_->submit([task] { (*task)(); });
}

InFlightConversions::Done InFlightConversions::takeOldest(const std::function<void()>& whileWaiting)
{
    Pending& oldest = pending_.front();
    while (oldest.result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        whileWaiting();
    Done done{std::move(oldest.file), std::move(oldest.newName), oldest.result.get()};
    pending_.pop_front();
    return done;
}

} // namespace pellora
