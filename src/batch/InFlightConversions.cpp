#include "batch/InFlightConversions.h"

#include "platform/text/PathText.h"

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
        outcome->set_value(Outcome{unexpected(Failure::of(FailureCause::Unexpected)), {}});
    }
}

} // namespace

InFlightConversions::InFlightConversions(unsigned jobs, const Folder& sourceFolder, const Folder& destinationFolder)
    : jobs_(jobs == 0 ? 1 : jobs), sourceFolder_(sourceFolder), destinationFolder_(destinationFolder), committer_(std::make_unique<WorkerPool>(1)),
      workers_(std::make_unique<WorkerPool>(jobs_))
{
}

InFlightConversions::~InFlightConversions()
{
    for (auto& pending : pending_)
        pending.outcome.wait();
}

void InFlightConversions::start(const SourceFile& file, const std::string& newName, int quality, bool digestContent)
{
    auto outcome = std::make_shared<std::promise<Outcome>>();
    pending_.push_back(Pending{file, newName, outcome->get_future()});
    auto staging = std::make_shared<std::promise<Staged>>();
    auto staged = std::make_shared<std::future<Staged>>(staging->get_future());
    workers_->submit([&in = sourceFolder_, &out = destinationFolder_, staging, source = file.path,
                      destination = pathText::toPath(newName), quality, digestContent] {
        staging->set_value(stageTgaAsJpeg(in, source, out, destination, quality, digestContent));
    });
    // The committer takes the files in the order they were handed out, not
    // in the order they were encoded: a run cut short then leaves its JPEGs
    // with no gap in their numbers. A worker that never set its file's
    // result breaks the promise, which `guarded` turns into a failure line.
    committer_->submit([outcome, staged] { guarded(outcome, [&] { commit(staged->get(), *outcome); }); });
}

void InFlightConversions::commit(Staged staged, std::promise<Outcome>& outcome)
{
    if (!staged) {
        outcome.set_value(Outcome{unexpected(staged.error()), {}});
        return;
    }
    outcome.set_value(Outcome{commitStagedJpeg(staged->file), staged->source});
}

InFlightConversions::Done InFlightConversions::takeOldest(const std::function<void()>& whileWaiting)
{
    Pending& oldest = pending_.front();
    while (oldest.outcome.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        whileWaiting();
    // A broken promise (a task that could not even be queued) is that
    // file's failure, not the run's end.
    Outcome outcome{unexpected(Failure::of(FailureCause::Unexpected)), {}};
    try {
        outcome = oldest.outcome.get();
    } catch (const std::exception&) {
    }
    Done done{std::move(oldest.file), std::move(oldest.newName), outcome.converted, outcome.source};
    pending_.pop_front();
    return done;
}

} // namespace pellora
