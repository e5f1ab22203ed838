#pragma once

#include "batch/ChangeCounter.h"
#include "batch/ConvertTgaToJpeg.h"
#include "batch/GroupCommit.h"
#include "batch/SourceFile.h"
#include "batch/WorkerPool.h"
#include "platform/io/Folder.h"
#include "platform/io/OpenFilesLimit.h"
#include "platform/io/SpareTemporaryFiles.h"

#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <optional>
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
// against a larger bound. Files converted ahead count as files in flight.
// Memory stays bounded whatever the batch: a file in flight holds only
// descriptors. Threads the system refuses only slow the run down (see
// WorkerPool).
class InFlightConversions {
public:
    struct Done {
        SourceFile file;
        std::string newName;
        Status converted;
        ConvertedSource source; // what was converted, when it was
    };

    // Sources are read from `sourceFolder`, JPEGs written into
    // `destinationFolder`; both must outlive this object. No more files are
    // kept open than `openFilesAllowed` leaves room for.
    InFlightConversions(unsigned jobs, const Folder& sourceFolder, const Folder& destinationFolder,
                        std::size_t openFilesAllowed = pellora::openFilesAllowed());
    ~InFlightConversions(); // waits for whatever is still running

    // Each file written and waiting for the disk, and each spare temporary
    // file, holds a descriptor: how many of each a run may have.
    struct Bounds {
        unsigned waitingForTheDisk;
        unsigned spares;
    };
    static Bounds boundsFor(unsigned jobs, std::size_t openFilesAllowed);

    // How many files `jobs` workers may have waiting for or in a worker.
    static unsigned limitFor(unsigned jobs) { return (jobs == 0 ? 1 : jobs) + 2; }
    // How many files may be in flight at all, most of them waiting for the disk.
    static unsigned mostInFlightFor(unsigned jobs, std::size_t openFilesAllowed = pellora::openFilesAllowed())
    {
        return limitFor(jobs) + boundsFor(jobs, openFilesAllowed).waitingForTheDisk;
    }

    // How many more files may be handed out now. The run asks once each
    // time it hands files out, so that how many it hands out does not hang
    // on how fast the workers are meanwhile.
    unsigned room() const;
    bool empty() const { return pending_.empty(); }

    // `digestContent`: the source may be deleted, so the bytes converted must
    // be known to compare with it then. Takes the file's conversion made
    // ahead when it was made for the same name and options.
    void start(const SourceFile& file, const std::string& newName, int quality, bool digestContent);
    // Converts a file the run has not handed out yet, with the options it
    // expects to read for it, so that the workers need not wait while the
    // first files wait for the drive. It is named and told of only once the
    // run hands it out with those very options (start); otherwise it, and
    // every file converted ahead after it, is dropped, leaving nothing.
    void convertAhead(const SourceFile& file, const std::string& newName, int quality, bool digestContent);
    // How many files are converted ahead and not yet handed out.
    std::size_t convertedAhead() const { return ahead_.size(); }
    // Waits for the oldest conversion handed out, calling `whileWaiting` as
    // soon as a worker is free or a group is done, and at least every 10 ms
    // so the host stays responsive.
    Done takeOldest(const std::function<void()>& whileWaiting);

private:
    static constexpr unsigned kMostWaitingForTheDisk = 32;
    static constexpr unsigned kMostSpares = 16;
    // Descriptors kept for all but the files in flight: the standard
    // streams, the folders, the log, the settings, a watch, a check before
    // a delete.
    static constexpr std::size_t kDescriptorsForTheRest = 24;

    using Outcome = GroupCommit::Outcome;
    using Staged = GroupCommit::Staged;
    struct Pending {
        SourceFile file;
        std::string newName;
        std::future<Outcome> outcome;
    };
    struct Ahead {
        SourceFile file;
        std::string newName;
        int quality;
        bool digestContent;
        std::future<Staged> staged;
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

    void convertLater(std::shared_ptr<std::promise<Staged>> staging, const SourceFile& file,
                      const std::string& newName, int quality, bool digestContent);
    std::optional<std::future<Staged>> takeAhead(const SourceFile& file, const std::string& newName, int quality,
                                                 bool digestContent);
    void flushLater(std::shared_ptr<std::promise<Staged>> staging, Staged staged);
    void makeSpareLater();

    unsigned jobs_;
    Bounds bounds_;
    const Folder& sourceFolder_;
    const Folder& destinationFolder_;
    std::deque<Pending> pending_;
    // Dropped only after the threads that may still be converting them are done.
    std::deque<Ahead> ahead_;
    std::atomic<unsigned> inWorkers_{0};
    ChangeCounter changes_; // a worker freed, a group done
    SpareTemporaryFiles spares_;
    GroupCommit commits_;
    // Declared so that each pool outlives the ones that feed it.
    std::unique_ptr<WorkerPool> committer_;
    std::unique_ptr<WorkerPool> flushers_;
    std::unique_ptr<WorkerPool> workers_;
};

} // namespace pellora
