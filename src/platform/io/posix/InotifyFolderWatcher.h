#pragma once

#include "platform/io/FolderWatcher.h"

namespace pellora {

// FolderWatcher on Linux: one inotify instance with one watch on the folder.
// errno becomes a Failure here and goes no further.
class InotifyFolderWatcher : public FolderWatcher {
public:
    // Owns `inotify`, which watches the folder; `wake` stays the caller's.
    InotifyFolderWatcher(int inotify, NativeHandle wake) : inotify_(inotify), wake_(wake) {}
    ~InotifyFolderWatcher() override;
    InotifyFolderWatcher(const InotifyFolderWatcher&) = delete;
    InotifyFolderWatcher& operator=(const InotifyFolderWatcher&) = delete;

    Expected<FolderChanges, Failure> wait(std::chrono::milliseconds timeout) override;

private:
    Status readEvents(FolderChanges& changes);

    int inotify_;
    NativeHandle wake_;
};

} // namespace pellora
