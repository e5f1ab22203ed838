#pragma once

#include "platform/io/FolderWatcher.h"
#include "platform/io/windows/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace pellora {

// FolderWatcher on Windows: ReadDirectoryChangesW on a handle of its own to
// the folder, one request always pending, completed through an event.
// Windows tells no "closed after writing": every name added, moved in or
// written to counts as written, and a name written to as not settled yet,
// so a file is ready only once the game has left it alone for the settle
// time.
class WindowsFolderWatcher : public FolderWatcher {
public:
    // Owns `folder` (opened for overlapped reading) and `event`; `wake` stays the caller's.
    WindowsFolderWatcher(UniqueHandle folder, UniqueHandle event, NativeHandle wake);
    ~WindowsFolderWatcher() override;
    WindowsFolderWatcher(const WindowsFolderWatcher&) = delete;
    WindowsFolderWatcher& operator=(const WindowsFolderWatcher&) = delete;

    Expected<FolderChanges, Failure> wait(std::chrono::milliseconds timeout) override;

    // Asks for the next changes (CannotRead when the system refuses).
    Status request();

private:
    Status collect(FolderChanges& changes);

    UniqueHandle folder_;
    UniqueHandle event_;
    HANDLE wake_;
    OVERLAPPED overlapped_{};
    std::vector<std::uint32_t> buffer_; // DWORD-aligned, as the system writes it
    bool pending_ = false;
};

} // namespace pellora
