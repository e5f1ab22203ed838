#include "platform/io/windows/WindowsFileSystem.h"

#include "platform/io/windows/UniqueHandle.h"
#include "platform/io/windows/WindowsErrors.h"
#include "platform/io/windows/WindowsFileKind.h"
#include "platform/io/windows/WindowsPath.h"
#include "platform/text/PathText.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

namespace pellora {

namespace {

using windowsErrors::lastErrno;
using windowsErrors::lastFailure;

// Whatever the others do with it, they may go on doing.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A held folder: others may read and write in it, but neither rename nor remove it.
constexpr DWORD kShareHeldFolder = FILE_SHARE_READ | FILE_SHARE_WRITE;
// How often, and after how long a first pause (doubled each time), a move
// refused for sharing is tried.
constexpr int kMoveAttempts = 8;
constexpr DWORD kFirstSharingPause = 10;
// What ReadFile and WriteFile take at once.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;
// The MinGW-w64 headers declare it for Windows 10 1709 builds only, which
// _WIN32_WINNT cannot say: its place in FILE_INFO_BY_HANDLE_CLASS.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
// 100-nanosecond steps from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000LL;

HANDLE handleOf(const FileHandle& file) { return static_cast<HANDLE>(file.native()); }

Unexpected<Failure> failed(FailureCause cause, int error) { return unexpected(Failure::of(cause, error)); }

FailureCause openingCause(OpenFlags flags)
{
    if (flags & Open::Create)
        return FailureCause::CannotCreate;
    return Open::writes(flags) ? FailureCause::CannotWrite : FailureCause::CannotRead;
}

DWORD folderAccess(OpenFlags flags)
{
    const DWORD search = FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    return (flags & Open::SearchOnly) ? search : search | FILE_LIST_DIRECTORY;
}

DWORD fileAccess(OpenFlags flags)
{
    DWORD access = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    if (flags & Open::Append)
        // Without FILE_WRITE_DATA every write goes to the end, whoever else appends.
        access |= FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | ((flags & Open::ReadWrite) ? GENERIC_READ : 0);
    else if (flags & Open::ReadWrite)
        access |= GENERIC_READ | GENERIC_WRITE;
    else if (flags & Open::Write)
        access |= GENERIC_WRITE;
    else
        access |= GENERIC_READ;
    if (flags & Open::ToDelete)
        access |= DELETE;
    return access;
}

bool opensFolder(OpenFlags flags) { return (flags & (Open::Folder | Open::SearchOnly)) != 0; }

DWORD shareOf(OpenFlags flags)
{
    if (flags & Open::ToDelete)
        return FILE_SHARE_READ;
    return opensFolder(flags) ? kShareHeldFolder : kShareAll;
}

DWORD dispositionOf(OpenFlags flags)
{
    if (!(flags & Open::Create))
        return OPEN_EXISTING;
    return (flags & Open::Exclusive) ? CREATE_NEW : OPEN_ALWAYS;
}

DWORD attributesOf(OpenFlags flags, unsigned permissions)
{
    // Folders only open with backup semantics; files do not mind it, and a
    // folder under a file's name then fails as no regular file, not as EACCES.
    DWORD attributes = FILE_FLAG_BACKUP_SEMANTICS;
    if (flags & Open::NoFollow)
        attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
    const bool readOnly = (flags & Open::Create) && (permissions & 0200) == 0;
    return attributes | (readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

struct Request {
    DWORD access;
    DWORD share;
    DWORD disposition;
    DWORD attributes;
};

Request requestFor(OpenFlags flags, unsigned permissions)
{
    return Request{opensFolder(flags) ? folderAccess(flags) : fileAccess(flags), shareOf(flags), dispositionOf(flags),
                   attributesOf(flags, permissions)};
}

UniqueHandle openPath(const std::wstring& path, const Request& request)
{
    return UniqueHandle(::CreateFileW(path.c_str(), request.access, request.share, nullptr, request.disposition,
                                      request.attributes, nullptr));
}

// The reparse tag of an open file, or 0 when it is no reparse point. A
// reparse point whose tag the file system will not tell counts as a link:
// never followed.
DWORD reparseTagOf(HANDLE handle)
{
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info))
        return (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? info.ReparseTag : 0;
    BY_HANDLE_FILE_INFORMATION plain{};
    if (::GetFileInformationByHandle(handle, &plain) && !(plain.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    return IO_REPARSE_TAG_SYMLINK;
}

// A symbolic link, a junction: a reparse point that stands for another name.
bool isNameLink(HANDLE handle)
{
    return windowsFileKind::of(FILE_ATTRIBUTE_REPARSE_POINT, reparseTagOf(handle)) == FileKind::Link;
}

struct Identity {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool operator==(const Identity&) const = default;
};

Expected<Identity, int> identityOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info))
        return unexpected(lastErrno());
    return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// A reparse point that is a file of its own (compressed by the system, kept
// in the cloud) reads as its contents only when opened through it: opened
// again so, and kept only when it is still the same file.
Expected<UniqueHandle, int> throughReparsePoint(UniqueHandle first, const std::wstring& path, Request request)
{
    const auto before = identityOf(first.get());
    if (!before)
        return unexpected(before.error());
    first.reset(); // it may deny what the second open asks for
    request.attributes &= ~static_cast<DWORD>(FILE_FLAG_OPEN_REPARSE_POINT);
    request.disposition = OPEN_EXISTING;
    UniqueHandle second = openPath(path, request);
    if (!second.valid())
        return unexpected(lastErrno());
    const auto after = identityOf(second.get());
    if (!after || !(*after == *before))
        return unexpected(ELOOP); // the name was given to something else meanwhile
    return second;
}

// Opens `path` as `flags` ask, never through a link with Open::NoFollow.
Expected<UniqueHandle, int> openNamed(const std::wstring& path, OpenFlags flags, unsigned permissions)
{
    Request request = requestFor(flags, permissions);
    UniqueHandle handle = openPath(path, request);
    if (!handle.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION && opensFolder(flags)) {
        // Someone holds the folder with the right to move it: held all the
        // same, as a path would be, rather than not at all.
        request.share = kShareAll;
        handle = openPath(path, request);
    }
    if (!handle.valid())
        return unexpected(lastErrno());
    if (!(flags & Open::NoFollow) || reparseTagOf(handle.get()) == 0)
        return handle;
    if (isNameLink(handle.get()))
        return unexpected(ELOOP);
    return throughReparsePoint(std::move(handle), path, request);
}

timespec timeOf(const FILETIME& time)
{
    const std::int64_t steps =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) -
        kUnixEpochInFileTime;
    std::int64_t seconds = steps / 10'000'000;
    std::int64_t rest = steps % 10'000'000;
    if (rest < 0) {
        --seconds;
        rest += 10'000'000;
    }
    return timespec{static_cast<time_t>(seconds), static_cast<long>(rest * 100)};
}

FILETIME fileTimeOf(const timespec& time)
{
    const std::int64_t steps =
        static_cast<std::int64_t>(time.tv_sec) * 10'000'000 + time.tv_nsec / 100 + kUnixEpochInFileTime;
    const auto bits = static_cast<std::uint64_t>(steps);
    return FILETIME{static_cast<DWORD>(bits & 0xFFFF'FFFFu), static_cast<DWORD>(bits >> 32)};
}

FileKind kindOf(HANDLE handle, DWORD attributes)
{
    return windowsFileKind::of(attributes, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? reparseTagOf(handle) : 0);
}

// Windows keeps one bit of what POSIX keeps in nine: read-only or not.
unsigned permissionsOf(DWORD attributes)
{
    const unsigned readable = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0555 : 0444;
    return (attributes & FILE_ATTRIBUTE_READONLY) ? readable : readable | 0222;
}

Expected<FileStatus, Failure> statusOfHandle(HANDLE handle)
{
    const DWORD type = ::GetFileType(handle);
    if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR)
        return lastFailure(FailureCause::CannotRead);
    if (type != FILE_TYPE_DISK) {
        FileStatus other;
        other.kind = FileKind::Other; // a console, a pipe, a device
        return other;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info))
        return lastFailure(FailureCause::CannotRead);
    FileStatus status;
    status.kind = kindOf(handle, info.dwFileAttributes);
    status.device = info.dwVolumeSerialNumber;
    status.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    status.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                            info.nFileSizeLow);
    status.modified = timeOf(info.ftLastWriteTime);
    status.permissions = permissionsOf(info.dwFileAttributes);
    return status;
}

Expected<std::wstring, Failure> resolved(const FileHandle& folder, const std::filesystem::path& name,
                                         FailureCause cause)
{
    auto path = windowsPath::resolve(handleOf(folder), name);
    if (!path)
        return failed(cause, path.error());
    return std::move(*path);
}

Status statusOf(BOOL done, FailureCause cause) { return done ? ok() : Status(lastFailure(cause)); }

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(offset & 0xFFFF'FFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

// A folder's own handle cannot be flushed (that takes the right to write
// it); one opened to add files to it can, which makes its names durable.
Status syncFolder(HANDLE folder)
{
    const auto path = windowsPath::finalPathOf(folder);
    if (!path)
        return failed(FailureCause::CannotWrite, path.error());
    const UniqueHandle writable(::CreateFileW(path->c_str(), FILE_ADD_FILE | SYNCHRONIZE, kShareAll, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!writable.valid())
        return lastFailure(FailureCause::CannotWrite);
    if (::FlushFileBuffers(writable.get()))
        return ok();
    const DWORD error = ::GetLastError();
    // A file system that cannot flush a folder at all (some network shares):
    // the move into it was already written through (MOVEFILE_WRITE_THROUGH).
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED)
        return ok();
    return failed(FailureCause::CannotWrite, windowsErrors::toErrno(error));
}

// A virus scanner, an indexer or a backup program may hold a file just
// written for a moment, sharing no deletion, and a move of it then fails:
// waited for a little (about a second in all) rather than failing the picture.
BOOL moveWaitingForSharing(const wchar_t* from, const wchar_t* to, DWORD flags)
{
    DWORD pause = kFirstSharingPause;
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(from, to, flags))
            return TRUE;
        if (::GetLastError() != ERROR_SHARING_VIOLATION || attempt == kMoveAttempts)
            return FALSE;
        ::Sleep(pause);
        pause *= 2;
    }
}

bool isFolder(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A listing tells a reparse point's tag in dwReserved0.
FileKind kindOfEntry(const WIN32_FIND_DATAW& data)
{
    return windowsFileKind::of(data.dwFileAttributes, data.dwReserved0);
}

bool isDotOrDotDot(const wchar_t* name)
{
    return std::wstring_view(name) == L"." || std::wstring_view(name) == L"..";
}

void addEntry(FolderListing& listing, const WIN32_FIND_DATAW& data)
{
    if (!isDotOrDotDot(data.cFileName))
        listing.entries.push_back(
            FolderEntry{pathText::toText(std::filesystem::path(data.cFileName)), kindOfEntry(data)});
}

// Why the folder `path` could not be listed (FindFirstFileExW's `error`),
// as POSIX would say it: a file is no folder whatever error came, and only
// a folder that is there has nothing in it.
FolderListing unlisted(const std::wstring& path, DWORD error)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    const bool there = attributes != INVALID_FILE_ATTRIBUTES;
    if (there && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FolderListing{{}, failed(FailureCause::CannotRead, ENOTDIR)};
    // A root folder has no "." to find: empty, not missing.
    if (there && error == ERROR_FILE_NOT_FOUND)
        return FolderListing{};
    return FolderListing{{}, failed(FailureCause::CannotRead, windowsErrors::toErrno(error))};
}

} // namespace

FileSystem& systemFileSystem()
{
    static WindowsFileSystem instance;
    return instance;
}

WindowsFileSystem::WindowsFileSystem() : workingFolder_(FileHandle::borrowed(*this, nullptr)) {}

Expected<FileHandle, Failure> WindowsFileSystem::openAt(const FileHandle& folder, const std::filesystem::path& name,
                                                        OpenFlags flags, unsigned permissions)
{
    const FailureCause cause = openingCause(flags);
    const auto path = resolved(folder, name, cause);
    if (!path)
        return unexpected(path.error());
    auto opened = openNamed(*path, flags, permissions);
    if (!opened)
        return failed(cause, opened.error());
    if (opensFolder(flags) && !isFolder(opened->get()))
        return failed(cause, ENOTDIR);
    return FileHandle(*this, opened->release());
}

Expected<std::size_t, Failure> WindowsFileSystem::read(const FileHandle& file, void* buffer, std::size_t size)
{
    DWORD done = 0;
    const auto wanted = static_cast<DWORD>(std::min(size, kLargestTransfer));
    if (!::ReadFile(handleOf(file), buffer, wanted, &done, nullptr))
        return lastFailure(FailureCause::CannotRead);
    return std::size_t{done};
}

// The handle's position moves too (a synchronous handle's always does); no
// caller mixes read and readAt on one handle.
Expected<std::size_t, Failure> WindowsFileSystem::readAt(const FileHandle& file, void* buffer, std::size_t size,
                                                         std::uint64_t offset)
{
    DWORD done = 0;
    OVERLAPPED from = at(offset);
    const auto wanted = static_cast<DWORD>(std::min(size, kLargestTransfer));
    if (!::ReadFile(handleOf(file), buffer, wanted, &done, &from))
        return ::GetLastError() == ERROR_HANDLE_EOF ? Expected<std::size_t, Failure>(std::size_t{0})
                                                    : lastFailure(FailureCause::CannotRead);
    return std::size_t{done};
}

Expected<std::size_t, Failure> WindowsFileSystem::write(const FileHandle& file, const void* buffer, std::size_t size)
{
    DWORD done = 0;
    const auto wanted = static_cast<DWORD>(std::min(size, kLargestTransfer));
    if (!::WriteFile(handleOf(file), buffer, wanted, &done, nullptr))
        return lastFailure(FailureCause::CannotWrite);
    return std::size_t{done};
}

Status WindowsFileSystem::sync(const FileHandle& file)
{
    if (::FlushFileBuffers(handleOf(file)))
        return ok();
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && isFolder(handleOf(file)))
        return syncFolder(handleOf(file));
    return failed(FailureCause::CannotWrite, windowsErrors::toErrno(error));
}

Status WindowsFileSystem::close(NativeHandle handle)
{
    return statusOf(::CloseHandle(static_cast<HANDLE>(handle)), FailureCause::CannotWrite);
}

Status WindowsFileSystem::move(const FileHandle& fromFolder, const std::filesystem::path& from,
                               const FileHandle& toFolder, const std::filesystem::path& to, unsigned long flags,
                               FailureCause cause)
{
    const auto source = resolved(fromFolder, from, cause);
    if (!source)
        return unexpected(source.error());
    const auto target = resolved(toFolder, to, cause);
    if (!target)
        return unexpected(target.error());
    return statusOf(moveWaitingForSharing(source->c_str(), target->c_str(), flags), cause);
}

// Without MOVEFILE_REPLACE_EXISTING the system refuses a name that exists
// (ERROR_ALREADY_EXISTS), in the same step as the move; without
// MOVEFILE_COPY_ALLOWED it never copies to another drive.
Status WindowsFileSystem::renameNoReplaceAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                                            const FileHandle& toFolder, const std::filesystem::path& to)
{
    const Status moved = move(fromFolder, from, toFolder, to, MOVEFILE_WRITE_THROUGH, FailureCause::CannotCommit);
    return moved ? ok() : Status(unexpected(Failure::ofPlacing(moved.error().systemError)));
}

Status WindowsFileSystem::linkAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                                 const FileHandle& toFolder, const std::filesystem::path& to)
{
    const auto source = resolved(fromFolder, from, FailureCause::CannotCommit);
    const auto target = resolved(toFolder, to, FailureCause::CannotCommit);
    if (!source || !target)
        return unexpected(Failure::ofPlacing(!source ? source.error().systemError : target.error().systemError));
    if (!::CreateHardLinkW(target->c_str(), source->c_str(), nullptr))
        return unexpected(Failure::ofPlacing(lastErrno()));
    return ok();
}

Status WindowsFileSystem::renameAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                                   const FileHandle& toFolder, const std::filesystem::path& to)
{
    return move(fromFolder, from, toFolder, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH,
                FailureCause::CannotCommit);
}

Status WindowsFileSystem::unlinkAt(const FileHandle& folder, const std::filesystem::path& name)
{
    const auto path = resolved(folder, name, FailureCause::CannotDelete);
    if (!path)
        return unexpected(path.error());
    return statusOf(::DeleteFileW(path->c_str()), FailureCause::CannotDelete);
}

// Marked through the handle the caller checked the file with: exactly that
// file goes when the handle is closed, whatever its name leads to by then.
// POSIX semantics take the name away even while others still read it.
Status WindowsFileSystem::unlinkOpened(const FileHandle& file, const FileHandle&, const std::filesystem::path&)
{
    FILE_DISPOSITION_INFO_EX posix{FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS};
    if (::SetFileInformationByHandle(handleOf(file), kFileDispositionInfoEx, &posix, sizeof posix))
        return ok();
    const DWORD error = ::GetLastError();
    // Before Windows 10 1709, on FAT, and under Wine: the classic form.
    if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION)
        return failed(FailureCause::CannotDelete, windowsErrors::toErrno(error));
    FILE_DISPOSITION_INFO classic{TRUE};
    return statusOf(::SetFileInformationByHandle(handleOf(file), FileDispositionInfo, &classic, sizeof classic),
                    FailureCause::CannotDelete);
}

Status WindowsFileSystem::mkdirAt(const FileHandle& folder, const std::filesystem::path& name, unsigned)
{
    const auto path = resolved(folder, name, FailureCause::CannotCreate);
    if (!path)
        return unexpected(path.error());
    return statusOf(::CreateDirectoryW(path->c_str(), nullptr), FailureCause::CannotCreate);
}

Status WindowsFileSystem::setModificationTime(const FileHandle& file, const timespec& time)
{
    const FILETIME written = fileTimeOf(time);
    return statusOf(::SetFileTime(handleOf(file), nullptr, nullptr, &written), FailureCause::CannotWrite);
}

// A file made in a folder takes the folder's permissions (its inherited
// access control list); there is no owner and group to carry over.
Status WindowsFileSystem::setOwner(const FileHandle&, std::uint32_t, std::uint32_t)
{
    return ok();
}

Status WindowsFileSystem::setPermissions(const FileHandle& file, unsigned permissions)
{
    FILE_BASIC_INFO info{};
    if (!::GetFileInformationByHandleEx(handleOf(file), FileBasicInfo, &info, sizeof info))
        return lastFailure(FailureCause::CannotWrite);
    const DWORD readOnly = (permissions & 0200) ? 0 : FILE_ATTRIBUTE_READONLY;
    info.FileAttributes = (info.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) | readOnly;
    if (info.FileAttributes == 0)
        info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return statusOf(::SetFileInformationByHandle(handleOf(file), FileBasicInfo, &info, sizeof info),
                    FailureCause::CannotWrite);
}

Expected<FileStatus, Failure> WindowsFileSystem::status(const FileHandle& file)
{
    return statusOfHandle(handleOf(file));
}

// Opened for its attributes alone, which no sharing mode of anyone else's
// refuses.
Expected<FileStatus, Failure> WindowsFileSystem::statusAt(const FileHandle& folder, const std::filesystem::path& name,
                                                          Links links)
{
    const auto path = resolved(folder, name, FailureCause::CannotRead);
    if (!path)
        return unexpected(path.error());
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (links == Links::NotFollowed)
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    const UniqueHandle handle(
        ::CreateFileW(path->c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!handle.valid())
        return lastFailure(FailureCause::CannotRead);
    return statusOfHandle(handle.get());
}

Status WindowsFileSystem::tryLock(const FileHandle& file)
{
    OVERLAPPED lockAt = at(kLockOffset);
    if (::LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &lockAt))
        return ok();
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
        return failed(FailureCause::CannotRead, EWOULDBLOCK);
    return failed(FailureCause::CannotRead, windowsErrors::toErrno(error));
}

FolderListing WindowsFileSystem::listAt(const FileHandle& folder, const std::filesystem::path& where)
{
    const auto path = resolved(folder, where, FailureCause::CannotRead);
    if (!path)
        return FolderListing{{}, unexpected(path.error())};
    const std::wstring pattern = *path + (path->ends_with(L'\\') ? L"*" : L"\\*");
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                          FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return unlisted(*path, ::GetLastError());
    FolderListing listing;
    do
        addEntry(listing, data);
    while (::FindNextFileW(find, &data));
    if (::GetLastError() != ERROR_NO_MORE_FILES)
        listing.end = lastFailure(FailureCause::CannotRead);
    ::FindClose(find);
    return listing;
}

} // namespace pellora
