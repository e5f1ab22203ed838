#include "platform/io/posix/PosixFileSystem.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace pellora {

namespace {

template <typename Call>
auto retryOnInterrupt(Call call)
{
    for (;;) {
        auto rc = call();
        if (!(rc < 0 && errno == EINTR))
            return rc;
    }
}

Unexpected<Failure> failed(FailureCause cause, int error = errno) { return unexpected(Failure::of(cause, error)); }

Status statusOf(long rc, FailureCause cause) { return rc < 0 ? Status(failed(cause)) : ok(); }

Expected<std::size_t, Failure> countOf(ssize_t rc, FailureCause cause)
{
    if (rc < 0)
        return failed(cause);
    return static_cast<std::size_t>(rc);
}

int nativeFlags(OpenFlags flags)
{
    // Never as our controlling terminal, whatever device a name turns out to be.
    int native = O_CLOEXEC | O_NOCTTY;
    native |= (flags & Open::ReadWrite) ? O_RDWR : (flags & Open::Write) ? O_WRONLY : O_RDONLY;
    const std::pair<OpenFlags, int> others[] = {
        {Open::Create, O_CREAT},     {Open::Exclusive, O_EXCL},       {Open::Append, O_APPEND},
        {Open::NoFollow, O_NOFOLLOW}, {Open::NonBlocking, O_NONBLOCK}, {Open::Folder, O_DIRECTORY},
        {Open::SearchOnly, O_PATH},
    };
    for (const auto& [ours, theirs] : others)
        if (flags & ours)
            native |= theirs;
    return native;
}

FailureCause openingCause(OpenFlags flags)
{
    if (flags & Open::Create)
        return FailureCause::CannotCreate;
    return Open::writes(flags) ? FailureCause::CannotWrite : FailureCause::CannotRead;
}

FileKind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Folder;
    if (S_ISLNK(mode))
        return FileKind::Link;
    return FileKind::Other;
}

FileKind kindOfEntry(unsigned char type)
{
    switch (type) {
    case DT_UNKNOWN: return FileKind::Unknown;
    case DT_REG: return FileKind::Regular;
    case DT_DIR: return FileKind::Folder;
    case DT_LNK: return FileKind::Link;
    default: return FileKind::Other;
    }
}

FileStatus statusFrom(const struct stat& info)
{
    return FileStatus{kindOf(info.st_mode),
                      static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino),
                      static_cast<std::int64_t>(info.st_size),
                      info.st_mtim,
                      static_cast<unsigned>(info.st_mode & 07777),
                      static_cast<std::uint32_t>(info.st_uid),
                      static_cast<std::uint32_t>(info.st_gid)};
}

// Every entry of an open folder, read to the end or to a failure.
FolderListing readEntries(DIR* dir)
{
    FolderListing listing;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                listing.end = failed(FailureCause::CannotRead);
            return listing;
        }
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            listing.entries.push_back(FolderEntry{entry->d_name, kindOfEntry(entry->d_type)});
    }
}

} // namespace

FileSystem& systemFileSystem()
{
    static PosixFileSystem instance;
    return instance;
}

PosixFileSystem::PosixFileSystem() : workingFolder_(FileHandle::borrowed(*this, AT_FDCWD)) {}

Expected<FileHandle, Failure> PosixFileSystem::openAt(const FileHandle& folder, const std::filesystem::path& name,
                                                      OpenFlags flags, unsigned permissions)
{
    const int fd = retryOnInterrupt(
        [&] { return ::openat(folder.native(), name.c_str(), nativeFlags(flags), static_cast<mode_t>(permissions)); });
    if (fd < 0)
        return failed(openingCause(flags));
    return FileHandle(*this, fd);
}

Expected<std::size_t, Failure> PosixFileSystem::read(const FileHandle& file, void* buffer, std::size_t size)
{
    return countOf(retryOnInterrupt([&] { return ::read(file.native(), buffer, size); }), FailureCause::CannotRead);
}

Expected<std::size_t, Failure> PosixFileSystem::readAt(const FileHandle& file, void* buffer, std::size_t size,
                                                       std::uint64_t offset)
{
    return countOf(retryOnInterrupt([&] { return ::pread(file.native(), buffer, size, static_cast<off_t>(offset)); }),
                   FailureCause::CannotRead);
}

Expected<std::size_t, Failure> PosixFileSystem::write(const FileHandle& file, const void* buffer, std::size_t size)
{
    return countOf(retryOnInterrupt([&] { return ::write(file.native(), buffer, size); }), FailureCause::CannotWrite);
}

Status PosixFileSystem::sync(const FileHandle& file)
{
    return statusOf(::fsync(file.native()), FailureCause::CannotWrite);
}

Status PosixFileSystem::close(NativeHandle handle)
{
    return statusOf(::close(handle), FailureCause::CannotWrite);
}

Status PosixFileSystem::renameNoReplaceAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                                          const FileHandle& toFolder, const std::filesystem::path& to)
{
    const long rc = ::syscall(SYS_renameat2, fromFolder.native(), from.c_str(), toFolder.native(), to.c_str(),
                              RENAME_NOREPLACE);
    return rc == 0 ? ok() : Status(unexpected(Failure::ofPlacing(errno)));
}

Status PosixFileSystem::linkAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                               const FileHandle& toFolder, const std::filesystem::path& to)
{
    if (::linkat(fromFolder.native(), from.c_str(), toFolder.native(), to.c_str(), 0) != 0)
        return unexpected(Failure::ofPlacing(errno));
    return ok();
}

Status PosixFileSystem::renameAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                                 const FileHandle& toFolder, const std::filesystem::path& to)
{
    return statusOf(::renameat(fromFolder.native(), from.c_str(), toFolder.native(), to.c_str()),
                    FailureCause::CannotCommit);
}

Status PosixFileSystem::unlinkAt(const FileHandle& folder, const std::filesystem::path& name)
{
    return statusOf(::unlinkat(folder.native(), name.c_str(), 0), FailureCause::CannotDelete);
}

// POSIX has no call that removes an open file's name through its
// descriptor. This backend's own unlink, so that a FileSystem built on it
// sees one removal, not two.
Status PosixFileSystem::unlinkOpened(const FileHandle&, const FileHandle& folder, const std::filesystem::path& name)
{
    return PosixFileSystem::unlinkAt(folder, name);
}

Status PosixFileSystem::mkdirAt(const FileHandle& folder, const std::filesystem::path& name, unsigned permissions)
{
    return statusOf(::mkdirat(folder.native(), name.c_str(), static_cast<mode_t>(permissions)),
                    FailureCause::CannotCreate);
}

Status PosixFileSystem::setModificationTime(const FileHandle& file, const timespec& time)
{
    const timespec times[2] = {{0, UTIME_OMIT}, time};
    return statusOf(::futimens(file.native(), times), FailureCause::CannotWrite);
}

Status PosixFileSystem::setOwner(const FileHandle& file, std::uint32_t owner, std::uint32_t group)
{
    return statusOf(::fchown(file.native(), static_cast<uid_t>(owner), static_cast<gid_t>(group)),
                    FailureCause::CannotWrite);
}

Status PosixFileSystem::setPermissions(const FileHandle& file, unsigned permissions)
{
    return statusOf(::fchmod(file.native(), static_cast<mode_t>(permissions & 07777)), FailureCause::CannotWrite);
}

Expected<FileStatus, Failure> PosixFileSystem::status(const FileHandle& file)
{
    struct stat info {};
    if (::fstat(file.native(), &info) != 0)
        return failed(FailureCause::CannotRead);
    return statusFrom(info);
}

Expected<FileStatus, Failure> PosixFileSystem::statusAt(const FileHandle& folder, const std::filesystem::path& name,
                                                        Links links)
{
    struct stat info {};
    const int flags = links == Links::Followed ? 0 : AT_SYMLINK_NOFOLLOW;
    if (::fstatat(folder.native(), name.c_str(), &info, flags) != 0)
        return failed(FailureCause::CannotRead);
    return statusFrom(info);
}

Status PosixFileSystem::tryLock(const FileHandle& file)
{
    return statusOf(retryOnInterrupt([&] { return ::flock(file.native(), LOCK_EX | LOCK_NB); }),
                    FailureCause::CannotRead);
}

FolderListing PosixFileSystem::listAt(const FileHandle& folder, const std::filesystem::path& where)
{
    // Its own open file: reading entries moves the offset, which a duplicate
    // of the folder's descriptor would share with every other listing.
    const int fd = retryOnInterrupt(
        [&] { return ::openat(folder.native(), where.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0)
        return FolderListing{{}, failed(FailureCause::CannotRead)};
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return FolderListing{{}, failed(FailureCause::CannotRead, error)};
    }
    FolderListing listing = readEntries(dir);
    ::closedir(dir);
    return listing;
}

} // namespace pellora
