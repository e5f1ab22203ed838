#pragma once

#include "batch/ConvertTgaToJpeg.h"
#include "platform/io/Folder.h"

#include <deque>
#include <future>
#include <mutex>
#include <vector>

namespace pellora {

// Puts a run's JPEGs under their names in list order, in groups that share
// one sync of their folder: on a drive whose every flush takes tens of
// milliseconds, that sync is paid once per group rather than once per file.
// A group is the oldest file not yet committed and every file after it that
// is ready by the time that one is: whatever became ready while the previous
// group's folder was being synced. A group is never held back to grow, so on
// a fast disk most groups hold one file and each file is done as soon as it
// would be alone. A file's outcome is set only once its whole group is
// durable, or has failed: nothing can report a file, or delete its source,
// before its name would survive a crash.
class GroupCommit {
public:
    struct Outcome {
        Status converted;
        ConvertedSource source; // what was converted, when it was
    };
    // A JPEG written and flushed, or why there is none.
    using Staged = Expected<StagedJpeg, Failure>;

    // The JPEGs are named in `folder`, which must outlive this object.
    explicit GroupCommit(const Folder& folder) : folder_(folder) {}

    // Queues the next file of the list: `staged` becomes ready once its JPEG
    // is written and flushed, or has failed. A broken promise is that file's
    // failure.
    std::future<Outcome> add(std::future<Staged> staged);

    // Waits for the oldest file queued, then commits it with every file
    // queued after it that is ready by then. Nothing when every file queued
    // is committed, so one call per file queued, in any thread, commits them
    // all; calls take their turns.
    void commitNext();

private:
    struct Queued {
        std::future<Staged> staged;
        std::promise<Outcome> outcome;
    };

    std::vector<Queued> nextGroup();
    void commit(std::vector<Queued>& group);

    const Folder& folder_;
    std::mutex turn_;  // one group at a time, in list order
    std::mutex queue_; // guards `queued_`
    std::deque<Queued> queued_;
};

} // namespace pellora
