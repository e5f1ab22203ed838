#include "batch/InFlightConversions.h"

#include "platform/text/PathText.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace pellora {

InFlightConversions::InFlightConversions(unsigned jobs, const Folder& sourceFolder, const Folder& destinationFolder)
    : jobs_(jobs == 0 ? 1 : jobs), sourceFolder_(sourceFolder), destinationFolder_(destinationFolder),
      spares_(destinationFolder), commits_(destinationFolder), committer_(std::make_unique<WorkerPool>(1)),
      flushers_(std::make_unique<WorkerPool>(kMostWaitingForTheDisk)), workers_(std::make_unique<WorkerPool>(jobs_))
{
}

InFlightConversions::~InFlightConversions()
{
    for (auto& pending : pending_)
        pending.outcome.wait();
}

unsigned InFlightConversions::room() const
{
    const unsigned inWorkers = inWorkers_.load();
    const unsigned forWorkers = inWorkers < limitFor(jobs_) ? limitFor(jobs_) - inWorkers : 0;
    const size_t inFlight = pending_.size();
    const size_t most = mostInFlightFor(jobs_);
    // With nothing in flight no file holds a worker; were the count ever
    // off, the run must still go on rather than end with files not handed out.
    if (inFlight == 0)
        return std::max(1u, forWorkers);
    return std::min(forWorkers, static_cast<unsigned>(inFlight < most ? most - inFlight : 0));
}

void InFlightConversions::start(const SourceFile& file, const std::string& newName, int quality, bool digestContent)
{
    auto staging = std::make_shared<std::promise<Staged>>();
    pending_.push_back(Pending{file, newName, {}});
    try {
        pending_.back().outcome = commits_.add(staging->get_future());
    } catch (...) {
        pending_.pop_back();
        throw;
    }
    // The promise lives only in the task: a task that cannot be queued
    // breaks it, which is that file's failure.
    workers_->submit([this, staging = std::move(staging), inWorker = std::make_shared<InWorker>(inWorkers_),
                      source = file.path, destination = pathText::toPath(newName), quality, digestContent]() mutable {
        Staged staged =
            stageTgaAsJpeg(sourceFolder_, source, destinationFolder_, destination, quality, digestContent, &spares_);
        inWorker.reset();
        makeSpareLater();
        if (staged)
            flushLater(std::move(staging), std::move(staged));
        else
            staging->set_value(std::move(staged));
    });
    // The committer takes the files in the order they were handed out, not
    // in the order they were encoded: a run cut short then leaves its JPEGs
    // with no gap in their numbers. Every file queued must get its turn, or
    // the run would wait for it forever.
    const auto commitNext = [&commits = commits_] { commits.commitNext(); };
    try {
        committer_->submit(commitNext);
    } catch (const std::exception&) {
        commitNext();
    }
}

// On a thread of its own, so that the worker can go on with the next file
// while the drive takes its time.
void InFlightConversions::flushLater(std::shared_ptr<std::promise<Staged>> staging, Staged staged)
{
    auto held = std::make_shared<Staged>(std::move(staged));
    flushers_->submit([staging = std::move(staging), held] {
        if (const Status flushed = flushStagedJpeg((*held)->file); !flushed)
            staging->set_value(unexpected(flushed.error()));
        else
            staging->set_value(std::move(*held));
    });
}

// One for each file a worker took one for, or made its own, up to one for
// each file that may be waiting for or in a worker, and never so many that
// they would take the descriptors the files in flight need.
void InFlightConversions::makeSpareLater()
{
    // Only a help: a file never fails for want of one.
    try {
        flushers_->submit([this] { spares_.makeOne(std::min(limitFor(jobs_), kMostSpares)); });
    } catch (const std::exception&) {
    }
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
