#include "platform/io/AtomicFile.h"

#include "platform/io/FileSystem.h"
#include "platform/io/NameReservation.h"
#include "platform/io/TemporaryFiles.h"

#include <cerrno>
#include <fcntl.h>

namespace pellora {

namespace {

// 0, or minus errno.
int syncFolderAt(FileSystem& fs, const std::filesystem::path& folder)
{
    const int fd = fs.open(folder, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return fd;
    UniqueFd opened(fd);
    const int rc = fs.fsync(fd);
    const int closed = opened.close();
    return rc != 0 ? rc : closed;
}

// The file system (or the kernel) does not offer this request at all, as
// opposed to refusing it for this file: only then is the next means tried.
bool refusedAsUnsupported(int rc) { return rc == -EINVAL || rc == -ENOSYS || rc == -EOPNOTSUPP; }

// FAT and exFAT answer a hard link with EPERM.
bool linkUnsupported(int rc) { return refusedAsUnsupported(rc) || rc == -EPERM; }

std::optional<Failure> moveWithoutReplacing(int folder, const std::filesystem::path& from,
                                            const std::filesystem::path& to)
{
    FileSystem& fs = FileSystem::current();
    if (const int rc = fs.renameNoReplaceAt(folder, from, folder, to); !refusedAsUnsupported(rc))
        return rc == 0 ? std::nullopt : std::optional(Failure::ofPlacing(-rc));
    if (const int rc = fs.linkAt(folder, from, folder, to); !linkUnsupported(rc)) {
        if (rc != 0)
            return Failure::ofPlacing(-rc);
        fs.unlinkAt(folder, from); // a second name left behind is swept like any temporary file
        return std::nullopt;
    }
    auto reservation = NameReservation::take(folder, to);
    if (!reservation)
        return reservation.error();
    return reservation->fillWith(from);
}

} // namespace

Expected<AtomicFile, Failure> AtomicFile::create(const std::filesystem::path& destination, Mode mode,
                                                 mode_t permissions)
{
    return createAt(nullptr, destination, mode, permissions);
}

Expected<AtomicFile, Failure> AtomicFile::create(const Folder& folder, const std::filesystem::path& name, Mode mode,
                                                 mode_t permissions)
{
    return createAt(&folder, name, mode, permissions);
}

Expected<AtomicFile, Failure> AtomicFile::createAt(const Folder* folder, const std::filesystem::path& destination,
                                                   Mode mode, mode_t permissions)
{
    const int at = folder ? folder->fd() : AT_FDCWD;
    auto created = temporaryFiles::createLocked(at, temporaryFiles::folderOf(destination), permissions);
    if (!created)
        return unexpected(Failure::of(FailureCause::CannotCreate, created.error()));
    return AtomicFile(folder, std::move(created->fd), std::move(created->path), destination, mode);
}

AtomicFile::AtomicFile(const Folder* folder, UniqueFd fd, std::filesystem::path temporary,
                       std::filesystem::path destination, Mode mode)
    : folder_(folder), fd_(std::move(fd)), temporary_(std::move(temporary)), destination_(std::move(destination)),
      mode_(mode)
{
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : folder_(other.folder_), fd_(std::move(other.fd_)), temporary_(std::move(other.temporary_)),
      destination_(std::move(other.destination_)), mode_(other.mode_),
      pending_(std::exchange(other.pending_, false))
{
}

AtomicFile::~AtomicFile()
{
    if (pending_)
        discard();
}

int AtomicFile::at() const { return folder_ ? folder_->fd() : AT_FDCWD; }

void AtomicFile::discard()
{
    FileSystem::current().unlinkAt(at(), temporary_);
    fd_.close();
    pending_ = false;
}

std::optional<Failure> AtomicFile::moveIntoPlace()
{
    if (mode_ == Mode::NeverReplace)
        return moveWithoutReplacing(at(), temporary_, destination_);
    if (const int rc = FileSystem::current().renameAt(at(), temporary_, at(), destination_); rc != 0)
        return Failure::of(FailureCause::CannotCommit, -rc);
    return std::nullopt;
}

int AtomicFile::syncFolder() const
{
    return folder_ ? folder_->sync() : syncFolderAt(FileSystem::current(), temporaryFiles::folderOf(destination_));
}

std::optional<Failure> AtomicFile::commit()
{
    if (!pending_)
        return Failure::of(FailureCause::CannotCommit, EINVAL);
    FileSystem& fs = FileSystem::current();
    if (const int rc = fs.fsync(fd_.get()); rc != 0) {
        discard();
        return Failure::of(FailureCause::CannotWrite, -rc);
    }
    if (auto failure = moveIntoPlace()) {
        discard();
        return failure;
    }
    pending_ = false;
    // The name is only durable once the folder is synced.
    if (const int rc = syncFolder(); rc != 0 && mode_ == Mode::NeverReplace) {
        fs.unlinkAt(at(), destination_);
        fd_.close();
        return Failure::of(FailureCause::CannotCommit, -rc);
    }
    // Data and name are synced: a late close error cannot change the file.
    fd_.close();
    return std::nullopt;
}

} // namespace pellora
