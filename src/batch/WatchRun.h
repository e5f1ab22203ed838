#pragma once

#include "batch/BatchRun.h"
#include "platform/io/FileIdentity.h"
#include "batch/RunFrontEnd.h"
#include "batch/RunRequest.h"
#include "batch/SettlingFiles.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"
#include "platform/io/Folder.h"
#include "platform/io/FolderWatcher.h"

#include <chrono>
#include <map>
#include <memory>

namespace pellora {

class FileSystem;

// Why a watch ended.
enum class WatchEnd {
    FirstRunEnded, // the run over what was there ended in a way a watch cannot go on from (see `last`)
    CannotWatch,   // the system would not watch the input folder (see `failure`); nothing was converted
    FolderGone,    // the input folder was removed or moved while watched
    BatchEnded,    // a batch ended in a way a watch cannot go on from (see `last`)
    Stopped,       // the front end asked it to stop
};

struct WatchSummary {
    WatchEnd end = WatchEnd::Stopped;
    BatchSummary last;  // the run or batch the watch ended with, or the last one
    Failure failure;    // for CannotWatch
    int converted = 0, failed = 0, sourcesKept = 0; // over every run and batch
};

// A run over the TGA files the input folder holds, then a watch of that
// folder: each TGA a game finishes writing there (see SettlingFiles) is
// converted by a run of its own over the files ready together, with the
// numbering, list lines, log lines and delete rule of any run. Each such
// batch is a run in the log too, between a start and an end line, so the
// log holds nothing but runs. A serial limit is told once, by the run that
// reached it; after it the watch converts nothing more and waits to be
// stopped, and the TGAs stay for a later run.
class WatchRun {
public:
    // Works in `fs`, which must outlive the watch. `wake` (or kNoNativeHandle)
    // becomes readable when the front end may want to stop (StopSignals' pipe).
    WatchRun(RunRequest request, RunFrontEnd frontEnd, FileSystem& fs, std::chrono::milliseconds settle,
             NativeHandle wake);
    WatchSummary run();

    // How often the watch looks at stopRequested() when nothing wakes it.
    static constexpr std::chrono::milliseconds kLongestSleep{500};

private:
    using Stamps = std::map<std::filesystem::path, FileIdentity>;

    bool runFirst(Stamps& present);
    void watch();
    void noteChanges(const FolderChanges& changes);
    void lookAtWholeFolder();
    void runBatch(const std::vector<std::filesystem::path>& ready);
    // Whether the watch may go on after a run that ended so.
    bool goesOnAfter(const BatchSummary& summary);
    BatchSummary runOver(std::optional<std::vector<std::filesystem::path>> names);
    bool folderStillThere() const;
    std::optional<FileIdentity> stampOf(const std::filesystem::path& name) const;
    std::optional<Stamps> sourcesPresent() const;

    RunRequest request_;
    RunFrontEnd frontEnd_;
    FileSystem& fs_;
    NativeHandle wake_;
    Folder inFolder_;
    std::unique_ptr<FolderWatcher> watcher_;
    SettlingFiles settling_;
    WatchSummary summary_;
    bool limitReached_ = false;
    bool over_ = false;
};

} // namespace pellora
