#pragma once

#include "batch/ConvertTgaToJpeg.h"
#include "batch/GroupCommit.h"
#include "batch/SourceFile.h"
#include "batch/WorkerPool.h"
#include "platform/io/Folder.h"
#include "platform/io/SpareTemporaryFiles.h"

#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <string>

namespace pellora {

// Conversions handed to threads, taken back in the order they were started.
// Each of `jobs` workers reads, decodes and encodes one file at a time into a
// temporary file, streaming it through its own encoder, then hands it to a
// flusher, which makes its data durable while the worker goes on with the
// next file; there are as many flushers as files may wait for the disk, so
// the flushes of files written at about the same time overlap and the drive,
// not the threads, sets their pace. The flushers also make the next files'
// temporary files ahead (SpareTemporaryFiles), since on some drives making a
// file waits while its folder is being synced.
// One committer then puts the flushed files under their names in the order
// they were handed out, a group at a time with one sync of the folder for
// the group (see GroupCommit).
//
// Each time the run hands files out, it may hand out as many as keep
// jobs + 2 files waiting for or in a worker, so that a worker done early need
// not wait for the next file, and so that on a fast disk no more files are
// in flight than that. Files whose JPEG is written and waiting for the disk
// take no worker, and on a slow drive enough of them must be in flight for
// their flushes to overlap the encoding of the next ones; they count only
// against a larger bound. Memory stays bounded whatever the batch: a file in
// flight holds only descriptors. Threads the system refuses only slow the
// run down (see WorkerPool).
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

    // How many files `jobs` workers may have waiting for or in a worker.
    static unsigned limitFor(unsigned jobs) { return (jobs == 0 ? 1 : jobs) + 2; }
    // How many files may be in flight at all, most of them waiting for the disk.
    static unsigned mostInFlightFor(unsigned jobs) { return limitFor(jobs) + kMostWaitingForTheDisk; }

    // How many more files may be handed out now. The run asks once each
    // time it hands files out, so that how many it hands out does not hang
    // on how fast the workers are meanwhile.
    unsigned room() const;
    bool empty() const { return pending_.empty(); }

    // `digestContent`: the source may be deleted, so the bytes converted must
    // be known to compare with it then.
    void start(const SourceFile& file, const std::string& newName, int quality, bool digestContent);
    // Waits for the oldest conversion, calling `whileWaiting` about every
    // 10 ms so the host stays responsive.
    Done takeOldest(const std::function<void()>& whileWaiting);

private:
    static constexpr unsigned kMostWaitingForTheDisk = 32;
    static constexpr unsigned kMostSpares = 16;

    using Outcome = GroupCommit::Outcome;
    using Staged = GroupCommit::Staged;
    struct Pending {
        SourceFile file;
        std::string newName;
        std::future<Outcome> outcome;
    };
    // Counts a file as waiting for or in a worker for as long as it lives.
    class InWorker {
    public:
        explicit InWorker(std::atomic<unsigned>& count) : count_(&count) { ++*count_; }
        InWorker(const InWorker&) = delete;
        InWorker& operator=(const InWorker&) = delete;
        ~InWorker() { --*count_; }

    private:
        std::atomic<unsigned>* count_;
    };

    void flushLater(std::shared_ptr<std::promise<Staged>> staging, Staged staged);
    void makeSpareLater();

    unsigned jobs_;
    const Folder& sourceFolder_;
    const Folder& destinationFolder_;
    std::deque<Pending> pending_;
    std::atomic<unsigned> inWorkers_{0};
    SpareTemporaryFiles spares_;
    GroupCommit commits_;
    // Declared so that each pool outlives the ones that feed it.
    std::unique_ptr<WorkerPool> committer_;
    std::unique_ptr<WorkerPool> flushers_;
    std::unique_ptr<WorkerPool> workers_;
};

} // namespace pellora
