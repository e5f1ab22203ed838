#include "batch/InFlightConversions.h"

#include "batch/ConvertTgaToJpeg.h"

#include <chrono>

namespace pellora {

InFlightConversions::InFlightConversions(unsigned jobs)
    : jobs_(jobs == 0 ? 1 : jobs), committer_(std::make_unique<WorkerPool>(1)),
      workers_(std::make_unique<WorkerPool>(jobs_))
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
    auto result = std::make_shared<std::promise<std::int16_t>>();
    pending_.push_back(Pending{file, newName, result->get_future()});
    workers_->submit([this, result, source = file.Path, destination, quality] {
        auto staged = StageTgaAsJpeg(source, destination, quality);
        if (!staged) {
            result->set_value(staged.error());
            return;
        }
        auto file = std::make_shared<StagedFile>(std::move(*staged));
        committer_->submit([result, file] { result->set_value(CommitStagedJpeg(*file)); });
    });
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
