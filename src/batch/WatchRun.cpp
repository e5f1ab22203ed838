#include "batch/WatchRun.h"

#include "batch/CollectSourceFiles.h"
#include "platform/io/FileSystem.h"
#include "platform/text/PathText.h"
#include "platform/text/UnicodeCase.h"
#include "platform/text/VisibleName.h"

#include <algorithm>

namespace pellora {

namespace {

using Clock = SettlingFiles::Clock;


// What a run would list: not hidden, ending in .tga in any case.
bool looksLikeSource(const std::filesystem::path& name)
{
    const std::string shown = visibleName(name);
    return !shown.starts_with('.') && unicodeCase::endsWithIgnoringCase(shown, BatchRun::kSourceExtension);
}

} // namespace

WatchRun::WatchRun(RunRequest request, RunFrontEnd frontEnd, FileSystem& fs, std::chrono::milliseconds settle,
                   NativeHandle wake)
    : request_(std::move(request)), frontEnd_(frontEnd), fs_(fs), wake_(wake), settling_(settle)
{
}

WatchSummary WatchRun::run()
{
    Stamps present;
    if (runFirst(present)) {
        // What the first run listed is handled as it was then; whatever came
        // or changed since is new.
        for (const auto& [name, stamp] : present)
            settling_.noteHandled(name, stamp);
        lookAtWholeFolder();
        watch();
    }
    // Held no longer than the watch: an open folder keeps a drive from being unmounted.
    watcher_.reset();
    inFolder_ = Folder();
    return summary_;
}

// The watch starts before the first run, and that run is restricted to the
// files present then: each file is either in that run or seen by the watch.
bool WatchRun::runFirst(Stamps& present)
{
    summary_.end = WatchEnd::FirstRunEnded;
    auto in = Folder::open(fs_, pathText::toPath(pathText::withTrailingSeparator(request_.inputFolder)));
    if (!in) {
        // The run tells the user about the folder as any run does.
        summary_.last = runOver(std::nullopt);
        return false;
    }
    inFolder_ = std::move(*in);
    auto watcher = FolderWatcher::watch(inFolder_, wake_);
    if (!watcher) {
        summary_.end = WatchEnd::CannotWatch;
        summary_.failure = watcher.error();
        return false;
    }
    watcher_ = std::move(*watcher);
    auto sources = sourcesPresent();
    if (!sources) {
        // The run meets the same listing failure and tells it.
        summary_.last = runOver(std::nullopt);
        return false;
    }
    std::vector<std::filesystem::path> names;
    for (const auto& entry : *sources)
        names.push_back(entry.first);
    summary_.last = runOver(std::move(names));
    present = std::move(*sources);
    return goesOnAfter(summary_.last);
}

void WatchRun::watch()
{
    summary_.end = WatchEnd::Stopped;
    while (!over_) {
        if (frontEnd_.control.stopRequested())
            return;
        const auto untilCheck = settling_.untilNextCheck(Clock::now()).value_or(kLongestSleep);
        const auto sleep = std::min(std::chrono::ceil<std::chrono::milliseconds>(untilCheck), kLongestSleep);
        const auto changes = watcher_->wait(sleep);
        if (!changes) {
            summary_.end = WatchEnd::CannotWatch;
            summary_.failure = changes.error();
            return;
        }
        if (changes->folderGone || !folderStillThere()) {
            summary_.end = WatchEnd::FolderGone;
            return;
        }
        noteChanges(*changes);
        const auto ready = settling_.takeReady(Clock::now(), [this](const auto& name) { return stampOf(name); });
        // After the serial limit nothing more can be numbered: the TGAs stay.
        if (!ready.empty() && !limitReached_)
            runBatch(ready);
    }
}

void WatchRun::noteChanges(const FolderChanges& changes)
{
    const auto now = Clock::now();
    for (const auto& name : changes.written) {
        if (!looksLikeSource(name))
            continue;
        if (const auto stamp = stampOf(name))
            settling_.noteWritten(name, *stamp, now);
    }
    for (const auto& name : changes.modified)
        settling_.noteModified(name, now);
    if (changes.overflowed)
        lookAtWholeFolder();
}

// Every source not handled as it is now settles from now: files that came
// while nobody was told (before the watch began to read, or when the system
// dropped changes) are found all the same.
void WatchRun::lookAtWholeFolder()
{
    const auto sources = sourcesPresent();
    if (!sources)
        return;
    const auto now = Clock::now();
    for (const auto& [name, stamp] : *sources)
        if (!settling_.wasHandled(name, stamp))
            settling_.noteWritten(name, stamp, now);
}

void WatchRun::runBatch(const std::vector<std::filesystem::path>& ready)
{
    Stamps stamps;
    for (const auto& name : ready)
        if (const auto stamp = stampOf(name))
            stamps.emplace(name, *stamp);
    summary_.last = runOver(ready);
    // Converted, failed or kept: tried once as it is. Written again, it is new.
    for (const auto& [name, stamp] : stamps)
        settling_.noteHandled(name, stamp);
    if (!goesOnAfter(summary_.last))
        over_ = true;
}

bool WatchRun::goesOnAfter(const BatchSummary& summary)
{
    switch (summary.end) {
    case BatchEnd::Completed:
    case BatchEnd::NoSourceFiles:
        return true;
    case BatchEnd::SerialLimit:
        limitReached_ = true;
        return true;
    case BatchEnd::Stopped:
        summary_.end = WatchEnd::Stopped;
        return false;
    default:
        if (summary_.end != WatchEnd::FirstRunEnded)
            summary_.end = WatchEnd::BatchEnded;
        return false;
    }
}

BatchSummary WatchRun::runOver(std::optional<std::vector<std::filesystem::path>> names)
{
    BatchRun batchRun(request_, frontEnd_, fs_);
    if (names)
        batchRun.restrictTo(std::move(*names));
    const BatchSummary batch = batchRun.run();
    summary_.converted += batch.converted;
    summary_.failed += batch.failed;
    summary_.sourcesKept += batch.sourcesKept;
    return batch;
}

// Removed while held open, a folder tells its watchers nothing until it is
// closed; so its path must still lead to it. Moved or replaced, the next
// run would work elsewhere.
bool WatchRun::folderStillThere() const
{
    const auto held = fs_.status(inFolder_.handle());
    const auto named = fs_.statusAt(fs_.workingFolder(), pathText::toPath(request_.inputFolder),
                                    FileSystem::Links::Followed);
    return held && named && held->device == named->device && held->inode == named->inode;
}

std::optional<FileIdentity> WatchRun::stampOf(const std::filesystem::path& name) const
{
    const auto status = fs_.statusAt(inFolder_.handle(), name, FileSystem::Links::NotFollowed);
    if (!status || !status->isRegular())
        return std::nullopt;
    return FileIdentity::of(*status);
}

// The sources in the input folder now, with their stamps; nothing when it cannot be listed.
std::optional<WatchRun::Stamps> WatchRun::sourcesPresent() const
{
    const auto files = CollectSourceFiles(inFolder_, BatchRun::kSourceExtension);
    if (!files)
        return std::nullopt;
    Stamps stamps;
    for (const auto& file : *files)
        if (const auto stamp = stampOf(file.path))
            stamps.emplace(file.path, *stamp);
    return stamps;
}

} // namespace pellora
