#include "batch/GroupCommit.h"

#include <chrono>
#include <exception>

namespace pellora {

namespace {

using Staged = GroupCommit::Staged;

bool isReady(const std::future<Staged>& staged)
{
    return staged.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// A promise broken by a task that could not even be queued, or that threw,
// is that file's failure, not the run's end.
Staged takeStaged(std::future<Staged>& staged)
{
    try {
        return staged.get();
    } catch (const std::exception&) {
        return unexpected(Failure::of(FailureCause::Unexpected));
    }
}

} // namespace

std::future<GroupCommit::Outcome> GroupCommit::add(std::future<Staged> staged)
{
    Queued queued{std::move(staged), {}};
    auto outcome = queued.outcome.get_future();
    std::lock_guard lock(queue_);
    queued_.push_back(std::move(queued));
    return outcome;
}

void GroupCommit::commitNext()
{
    std::lock_guard turn(turn_);
    auto group = nextGroup();
    if (!group.empty())
        commit(group);
}

std::vector<GroupCommit::Queued> GroupCommit::nextGroup()
{
    std::vector<Queued> group;
    {
        std::lock_guard lock(queue_);
        if (queued_.empty())
            return group;
        group.push_back(std::move(queued_.front()));
        queued_.pop_front();
    }
    group.front().staged.wait();
    // Only what is ready now: waiting for more would hold back what is ready.
    std::lock_guard lock(queue_);
    while (!queued_.empty() && isReady(queued_.front().staged)) {
        group.push_back(std::move(queued_.front()));
        queued_.pop_front();
    }
    return group;
}

// Should anything here throw, the promises still unset break as `group`
// goes, and those files fail.
void GroupCommit::commit(std::vector<Queued>& group)
{
    std::vector<Staged> staged;
    staged.reserve(group.size()); // the files below point into it
    std::vector<AtomicFile*> files;
    for (Queued& queued : group) {
        staged.push_back(takeStaged(queued.staged));
        if (staged.back())
            files.push_back(&staged.back()->file);
    }
    const std::vector<Status> committed = commitStagedJpegs(folder_, files);
    size_t next = 0;
    for (size_t i = 0; i < group.size(); ++i) {
        if (!staged[i])
            group[i].outcome.set_value(Outcome{unexpected(staged[i].error()), {}});
        else
            group[i].outcome.set_value(Outcome{committed[next++], staged[i]->source});
    }
}

} // namespace pellora
