#pragma once

#include "batch/ConvertTgaToJpeg.h"
#include "batch/SourceFile.h"
#include "batch/WorkerPool.h"
#include "platform/io/Folder.h"

#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <string>

namespace pellora {

// Conversions handed to threads, taken back in the order they were started.
// Each of `jobs` workers reads, decodes and encodes one file at a time into a
// temporary file, streaming it through its own encoder; one committer thread
// then makes the files durable under their names, in the order they were
// handed out, so the syncs of one file overlap with the encoding of the
// next, even with one worker. At most
// jobs + 2 files are in flight: one more than the workers and the committer
// hold, so that a worker done early need not wait for the oldest file. Memory
// stays bounded whatever the batch: a file in flight holds only descriptors.
// Threads the system refuses only slow the run down (see WorkerPool).
class InFlightConversions {
public:
    struct Done {
        SourceFile file;
        std::string newName;
        Status converted;
        ConvertedSource source; // what was converted, when it was
    };

    // Sources are read from `sourceFolder`, JPEGs written into
    // `destinationFolder`; both must outlive this object.
    InFlightConversions(unsigned jobs, const Folder& sourceFolder, const Folder& destinationFolder);
    ~InFlightConversions(); // waits for whatever is still running

    // How many files `jobs` workers may have in flight at most.
    static unsigned limitFor(unsigned jobs) { return (jobs == 0 ? 1 : jobs) + 2; }

    bool hasRoom() const { return pending_.size() < limitFor(jobs_); }
    bool empty() const { return pending_.empty(); }

    // `digestContent`: the source may be deleted, so the bytes converted must
    // be known to compare with it then.
    void start(const SourceFile& file, const std::string& newName, int quality, bool digestContent);
    // Waits for the oldest conversion, calling `whileWaiting` about every
    // 10 ms so the host stays responsive.
    Done takeOldest(const std::function<void()>& whileWaiting);

private:
    struct Outcome {
        Status converted;
        ConvertedSource source;
    };
    struct Pending {
        SourceFile file;
        std::string newName;
        std::future<Outcome> outcome;
    };
    using Staged = Expected<StagedJpeg, Failure>;

    static void commit(Staged staged, std::promise<Outcome>& outcome);

    unsigned jobs_;
    const Folder& sourceFolder_;
    const Folder& destinationFolder_;
    std::deque<Pending> pending_;
    // Declared so that the committer outlives the workers that feed it.
    std::unique_ptr<WorkerPool> committer_;
    std::unique_ptr<WorkerPool> workers_;
};

} // namespace pellora
