#include "platform/io/posix/InotifyFolderWatcher.h"

#include "platform/io/Folder.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace pellora {

namespace {

// Closed after writing or moved in: a file that may be finished. Written to:
// one that is not. The folder's own end: nothing more can come.
constexpr std::uint32_t kFinished = IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
constexpr std::uint32_t kWatched = kFinished | IN_MODIFY | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR
                                   | IN_EXCL_UNLINK;

Unexpected<Failure> failed(int error = errno) { return unexpected(Failure::of(FailureCause::CannotRead, error)); }

void note(const inotify_event& event, FolderChanges& changes)
{
    if (event.mask & IN_Q_OVERFLOW)
        changes.overflowed = true;
    if (event.mask & kFolderGone)
        changes.folderGone = true;
    if (event.len == 0 || (event.mask & IN_ISDIR))
        return;
    const std::filesystem::path name(std::string(event.name, ::strnlen(event.name, event.len)));
    if (event.mask & kFinished)
        changes.written.push_back(name);
    else if (event.mask & IN_MODIFY)
        changes.modified.push_back(name);
}

} // namespace

Expected<std::unique_ptr<FolderWatcher>, Failure> FolderWatcher::watch(const Folder& folder, NativeHandle wake)
{
    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify < 0)
        return failed();
    auto watcher = std::make_unique<InotifyFolderWatcher>(inotify, wake);
    // The folder the handle holds, wherever its path leads now.
    const std::string held = "/proc/self/fd/" + std::to_string(folder.handle().native());
    if (::inotify_add_watch(inotify, held.c_str(), kWatched) < 0)
        return failed();
    return std::unique_ptr<FolderWatcher>(std::move(watcher));
}

InotifyFolderWatcher::~InotifyFolderWatcher()
{
    ::close(inotify_);
}

Expected<FolderChanges, Failure> InotifyFolderWatcher::wait(std::chrono::milliseconds timeout)
{
    pollfd ready[2] = {{inotify_, POLLIN, 0}, {wake_, POLLIN, 0}};
    const nfds_t count = wake_ >= 0 ? 2 : 1;
    const int waitFor = timeout.count() < 0 ? -1 : static_cast<int>(std::min<long long>(timeout.count(), INT_MAX));
    FolderChanges changes;
    if (::poll(ready, count, waitFor) < 0) {
        if (errno == EINTR)
            return changes;
        return failed();
    }
    if (const Status read = readEvents(changes); !read)
        return unexpected(read.error());
    return changes;
}

Status InotifyFolderWatcher::readEvents(FolderChanges& changes)
{
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(inotify_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return ok();
        if (got <= 0)
            return failed(got == 0 ? EIO : errno);
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            // The system pads each event so the next one is aligned as the first.
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            note(*event, changes);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

} // namespace pellora
