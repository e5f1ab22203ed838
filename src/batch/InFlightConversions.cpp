#include "batch/InFlightConversions.h"

#include <chrono>
#include <exception>

namespace pellora {

namespace {

// Every path through the stages sets the outcome exactly once, even when a
// stage throws: an outcome never set would leave the run waiting forever.
template <typename Outcome, typename Stage>
void guarded(const std::shared_ptr<std::promise<Outcome>>& outcome, Stage stage)
{
    try {
        stage();
    } catch (const std::exception&) {
        outcome->set_value(Outcome{Failure::of(FailureCause::Unexpected), {}});
    }
}

} // namespace

InFlightConversions::InFlightConversions(unsigned jobs)
    : jobs_(jobs == 0 ? 1 : jobs), committer_(std::make_unique<WorkerPool>(1)),
      workers_(std::make_unique<WorkerPool>(jobs_))
{
}

InFlightConversions::~InFlightConversions()
{
    for (auto& pending : pending_)
        pending.outcome.wait();
}

void InFlightConversions::start(const SourceFile& file, const QString& newName,
                                const std::filesystem::path& destination, int quality, bool digestContent)
{
    auto outcome = std::make_shared<std::promise<Outcome>>();
    pending_.push_back(Pending{file, newName, outcome->get_future()});
    workers_->submit([this, outcome, source = file.Path, destination, quality, digestContent] {
        guarded(outcome, [&] { convert(source, destination, quality, digestContent, outcome); });
    });
}

void InFlightConversions::convert(const std::filesystem::path& source, const std::filesystem::path& destination,
                                  int quality, bool digestContent, const Promise& outcome)
{
    auto staged = stageTgaAsJpeg(source, destination, quality, digestContent);
    if (!staged) {
        outcome->set_value(Outcome{staged.error(), {}});
        return;
    }
    auto committing = std::make_shared<StagedJpeg>(std::move(*staged));
    committer_->submit([outcome, committing] {
        outcome->set_value(Outcome{commitStagedJpeg(committing->file), committing->source});
    });
}

InFlightConversions::Done InFlightConversions::takeOldest(const std::function<void()>& whileWaiting)
{
    Pending& oldest = pending_.front();
    while (oldest.outcome.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        whileWaiting();
    Outcome outcome = oldest.outcome.get();
    Done done{std::move(oldest.file), std::move(oldest.newName), outcome.failure, outcome.source};
    pending_.pop_front();
    return done;
}

} // namespace pellora
