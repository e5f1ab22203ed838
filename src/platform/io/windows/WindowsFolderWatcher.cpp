#include "platform/io/windows/WindowsFolderWatcher.h"

#include "platform/io/Folder.h"
#include "platform/io/windows/WindowsErrors.h"
#include "platform/io/windows/WindowsPath.h"
#include "platform/text/PathText.h"

#include <algorithm>
#include <cerrno>
#include <string>

namespace pellora {

namespace {

// Names that come and go, and writes (which change a file's time and size).
constexpr DWORD kWatched = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;
// Within the 64 KiB a network share can carry at once.
constexpr std::size_t kBufferWords = 16 * 1024;

Unexpected<Failure> failed(int error) { return unexpected(Failure::of(FailureCause::CannotRead, error)); }

bool isWaitable(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

void note(const FILE_NOTIFY_INFORMATION& info, FolderChanges& changes)
{
    const std::wstring name(info.FileName, info.FileNameLength / sizeof(wchar_t));
    // Only the folder's own names; changes in subfolders never come
    // (bWatchSubtree is FALSE), but a name with a separator is none of ours.
    if (name.empty() || name.find(L'\\') != std::wstring::npos)
        return;
    switch (info.Action) {
    case FILE_ACTION_ADDED:
    case FILE_ACTION_RENAMED_NEW_NAME:
        changes.written.emplace_back(name);
        break;
    case FILE_ACTION_MODIFIED:
        changes.written.emplace_back(name);
        changes.modified.emplace_back(name);
        break;
    default: break; // removed, or moved away: nothing to convert
    }
}

// The held folder once more, for reading changes: by the path its handle
// has, and only when that still leads to the same folder.
Expected<UniqueHandle, int> reopenForChanges(HANDLE held)
{
    const auto path = windowsPath::finalPathOf(held);
    if (!path)
        return unexpected(path.error());
    UniqueHandle folder(::CreateFileW(path->c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!folder.valid())
        return unexpected(windowsErrors::lastErrno());
    BY_HANDLE_FILE_INFORMATION before{}, after{};
    if (!::GetFileInformationByHandle(held, &before) || !::GetFileInformationByHandle(folder.get(), &after))
        return unexpected(windowsErrors::lastErrno());
    if (before.dwVolumeSerialNumber != after.dwVolumeSerialNumber || before.nFileIndexHigh != after.nFileIndexHigh ||
        before.nFileIndexLow != after.nFileIndexLow)
        return unexpected(ENOENT); // moved away meanwhile: gone, as far as its path goes
    return folder;
}

} // namespace

Expected<std::unique_ptr<FolderWatcher>, Failure> FolderWatcher::watch(const Folder& folder, NativeHandle wake)
{
    auto handle = reopenForChanges(static_cast<HANDLE>(folder.handle().native()));
    if (!handle)
        return failed(handle.error());
    UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event.valid())
        return failed(windowsErrors::lastErrno());
    auto watcher = std::make_unique<WindowsFolderWatcher>(std::move(*handle), std::move(event), wake);
    // Asked now, so that nothing written from here on is missed.
    if (const Status asked = watcher->request(); !asked)
        return unexpected(asked.error());
    return std::unique_ptr<FolderWatcher>(std::move(watcher));
}

WindowsFolderWatcher::WindowsFolderWatcher(UniqueHandle folder, UniqueHandle event, NativeHandle wake)
    : folder_(std::move(folder)), event_(std::move(event)), wake_(static_cast<HANDLE>(wake)), buffer_(kBufferWords)
{
    overlapped_.hEvent = event_.get();
}

WindowsFolderWatcher::~WindowsFolderWatcher()
{
    if (!pending_)
        return;
    // The system writes into buffer_ until the request is over.
    ::CancelIoEx(folder_.get(), &overlapped_);
    DWORD ignored = 0;
    ::GetOverlappedResult(folder_.get(), &overlapped_, &ignored, TRUE);
}

Status WindowsFolderWatcher::request()
{
    ::ResetEvent(event_.get());
    const auto bytes = static_cast<DWORD>(buffer_.size() * sizeof(std::uint32_t));
    if (!::ReadDirectoryChangesW(folder_.get(), buffer_.data(), bytes, FALSE, kWatched, nullptr, &overlapped_,
                                 nullptr))
        return windowsErrors::lastFailure(FailureCause::CannotRead);
    pending_ = true;
    return ok();
}

Expected<FolderChanges, Failure> WindowsFolderWatcher::wait(std::chrono::milliseconds timeout)
{
    FolderChanges changes;
    if (!pending_)
        if (const Status asked = request(); !asked)
            return unexpected(asked.error());
    const HANDLE waitFor[2] = {event_.get(), wake_};
    const DWORD count = isWaitable(wake_) ? 2 : 1;
    const DWORD milliseconds =
        timeout.count() < 0 ? INFINITE : static_cast<DWORD>(std::min<long long>(timeout.count(), INFINITE - 1));
    const DWORD woken = ::WaitForMultipleObjects(count, waitFor, FALSE, milliseconds);
    if (woken == WAIT_FAILED)
        return windowsErrors::lastFailure(FailureCause::CannotRead);
    if (woken != WAIT_OBJECT_0)
        return changes; // woken by the caller, or the time is up
    if (const Status collected = collect(changes); !collected)
        return unexpected(collected.error());
    return changes;
}

Status WindowsFolderWatcher::collect(FolderChanges& changes)
{
    DWORD got = 0;
    pending_ = false;
    if (!::GetOverlappedResult(folder_.get(), &overlapped_, &got, FALSE)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_NOTIFY_ENUM_DIR) {
            changes.overflowed = true;
            return ok();
        }
        // The folder itself was removed, or the drive it was on.
        if (error == ERROR_ACCESS_DENIED || error == ERROR_DELETE_PENDING || error == ERROR_NETNAME_DELETED) {
            changes.folderGone = true;
            return ok();
        }
        return unexpected(Failure::of(FailureCause::CannotRead, windowsErrors::toErrno(error)));
    }
    // Nothing returned: more changed than the buffer holds.
    if (got == 0) {
        changes.overflowed = true;
        return ok();
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer_.data());
    for (DWORD at = 0; at + sizeof(FILE_NOTIFY_INFORMATION) <= got;) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes + at);
        note(*info, changes);
        if (info->NextEntryOffset == 0)
            break;
        at += info->NextEntryOffset;
    }
    // The system keeps what changes until the next request, which wait() makes.
    return ok();
}

} // namespace pellora
