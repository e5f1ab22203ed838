#include "batch/InFlightConversions.h"

#include "platform/text/PathText.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace pellora {

InFlightConversions::InFlightConversions(unsigned jobs, const Folder& sourceFolder, const Folder& destinationFolder,
                                         std::size_t openFilesAllowed)
    : jobs_(jobs == 0 ? 1 : jobs), bounds_(boundsFor(jobs_, openFilesAllowed)), sourceFolder_(sourceFolder),
      destinationFolder_(destinationFolder),
      spares_(destinationFolder), commits_(destinationFolder), committer_(std::make_unique<WorkerPool>(1)),
      flushers_(std::make_unique<WorkerPool>(kMostWaitingForTheDisk)), workers_(std::make_unique<WorkerPool>(jobs_))
{
}

InFlightConversions::~InFlightConversions()
{
    for (auto& pending : pending_)
        pending.outcome.wait();
    for (auto& ahead : ahead_)
        ahead.staged.wait();
}

// A file in a worker holds two descriptors (its TGA and its JPEG), one
// waiting for a worker none, one written and waiting for the disk one, a
// spare one. What the limit leaves after the workers' files and the rest
// goes two parts to files waiting for the disk, one to spares: under a low
// limit a slow drive is paid for more often, but no file fails for want of
// a descriptor.
InFlightConversions::Bounds InFlightConversions::boundsFor(unsigned jobs, std::size_t openFilesAllowed)
{
    const std::size_t inWorkers = std::size_t{2} * (jobs == 0 ? 1 : jobs) + 2;
    const std::size_t reserved = kDescriptorsForTheRest + inWorkers;
    const std::size_t left = openFilesAllowed > reserved ? openFilesAllowed - reserved : 0;
    const auto waiting = static_cast<unsigned>(std::min<std::size_t>(kMostWaitingForTheDisk, left - left / 3));
    const auto spares = static_cast<unsigned>(std::min<std::size_t>(kMostSpares, left - waiting));
    return {waiting, spares};
}

unsigned InFlightConversions::room() const
{
    const unsigned inWorkers = inWorkers_.load();
    const unsigned forWorkers = inWorkers < limitFor(jobs_) ? limitFor(jobs_) - inWorkers : 0;
    const size_t inFlight = pending_.size() + ahead_.size();
    const size_t most = limitFor(jobs_) + bounds_.waitingForTheDisk;
    // With nothing in flight no file holds a worker; were the count ever
    // off, the run must still go on rather than end with files not handed out.
    if (inFlight == 0)
        return std::max(1u, forWorkers);
    return std::min(forWorkers, static_cast<unsigned>(inFlight < most ? most - inFlight : 0));
}

void InFlightConversions::start(const SourceFile& file, const std::string& newName, int quality, bool digestContent)
{
    auto ahead = takeAhead(file, newName, quality, digestContent);
    auto staging = ahead ? nullptr : std::make_shared<std::promise<Staged>>();
    pending_.push_back(Pending{file, newName, {}});
    try {
        pending_.back().outcome = commits_.add(ahead ? std::move(*ahead) : staging->get_future());
    } catch (...) {
        pending_.pop_back();
        throw;
    }
    if (staging)
        convertLater(std::move(staging), file, newName, quality, digestContent);
    // The committer takes the files in the order they were handed out, not
    // in the order they were encoded: a run cut short then leaves its JPEGs
    // with no gap in their numbers. Every file queued must get its turn, or
    // the run would wait for it forever.
    const auto commitNext = [this] {
        commits_.commitNext();
        changes_.note();
    };
    try {
        committer_->submit(commitNext);
    } catch (const std::exception&) {
        commitNext();
    }
}

void InFlightConversions::convertAhead(const SourceFile& file, const std::string& newName, int quality,
                                       bool digestContent)
{
    auto staging = std::make_shared<std::promise<Staged>>();
    ahead_.push_back(Ahead{file, newName, quality, digestContent, staging->get_future()});
    convertLater(std::move(staging), file, newName, quality, digestContent);
}

// The oldest file converted ahead, when it is this file converted as asked.
// Files are converted ahead in list order, so once one does not match, none
// after it can be used either: they were made with the same options.
std::optional<std::future<InFlightConversions::Staged>>
InFlightConversions::takeAhead(const SourceFile& file, const std::string& newName, int quality, bool digestContent)
{
    if (ahead_.empty())
        return std::nullopt;
    Ahead& oldest = ahead_.front();
    if (oldest.file.path != file.path || oldest.newName != newName || oldest.quality != quality ||
        oldest.digestContent != digestContent) {
        // Dropping a conversion still running is safe: its temporary file
        // goes with the last holder of its result.
        ahead_.clear();
        return std::nullopt;
    }
    std::future<Staged> staged = std::move(oldest.staged);
    ahead_.pop_front();
    return staged;
}

// The promise lives only in the task: a task that cannot be queued breaks
// it, which is that file's failure.
void InFlightConversions::convertLater(std::shared_ptr<std::promise<Staged>> staging, const SourceFile& file,
                                       const std::string& newName, int quality, bool digestContent)
{
    workers_->submit([this, staging = std::move(staging), inWorker = std::make_shared<InWorker>(inWorkers_),
                      source = file.path, destination = pathText::toPath(newName), quality, digestContent]() mutable {
        Staged staged =
            stageTgaAsJpeg(sourceFolder_, source, destinationFolder_, destination, quality, digestContent, &spares_);
        inWorker.reset();
        changes_.note();
        makeSpareLater();
        if (staged)
            flushLater(std::move(staging), std::move(staged));
        else
            staging->set_value(std::move(staged));
    });
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

// One for the file a worker just took one for, or made its own, and one
// more until as many wait as the bounds allow (kMostSpares at most): on a slow drive every file the workers start
// while the folder is being synced needs one, and a worker that runs out
// waits for the sync (seen as 6 ms encodes taking 20 ms with jobs + 2 spares).
void InFlightConversions::makeSpareLater()
{
    // Only a help: a file never fails for want of one.
    try {
        flushers_->submit([this] {
            spares_.makeOne(bounds_.spares);
            spares_.makeOne(bounds_.spares);
        });
    } catch (const std::exception&) {
    }
}

InFlightConversions::Done InFlightConversions::takeOldest(const std::function<void()>& whileWaiting)
{
    Pending& oldest = pending_.front();
    // Woken as soon as a worker is free or a group is done, not only every
    // 10 ms: on a slow drive the run hands files out while it waits here, and
    // a worker left waiting for its next file is time lost for the batch.
    std::uint64_t seen = changes_.count();
    while (oldest.outcome.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        seen = changes_.waitPast(seen, std::chrono::milliseconds(10));
        whileWaiting();
    }
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
