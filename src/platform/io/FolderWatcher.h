#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

namespace pellora {

class Folder;

// What happened in a watched folder since the last look.
struct FolderChanges {
    // Names a writer closed after writing, or moved into the folder: files
    // that may just have been finished (native bytes).
    std::vector<std::filesystem::path> written;
    // Names written to: whatever was settling under them is not settled yet.
    std::vector<std::filesystem::path> modified;
    // The system dropped changes: only a look at the whole folder tells what is there.
    bool overflowed = false;
    // The folder itself was removed, moved or unmounted: nothing more will come.
    bool folderGone = false;
};

// Tells which files of one folder were written, as the platform learns it
// (inotify on Linux; a Windows backend would use its directory-change
// notifications). Only the folder's own names, not those of its subfolders.
class FolderWatcher {
public:
    virtual ~FolderWatcher() = default;

    // Waits until something changed in the folder, `wake` (a descriptor the
    // caller passed at creation, such as StopSignals' pipe) became readable,
    // or `timeout` passed; then returns what changed, possibly nothing. On
    // failure, CannotRead with the system's error.
    virtual Expected<FolderChanges, Failure> wait(std::chrono::milliseconds timeout) = 0;

    // Starts watching `folder`, the folder opened (not whatever its path
    // names later). `wake` may be kNoNativeHandle. On failure, CannotRead
    // with the system's error (ENOSPC: the user's limit of watches is used up).
    static Expected<std::unique_ptr<FolderWatcher>, Failure> watch(const Folder& folder, NativeHandle wake);
};

} // namespace pellora
