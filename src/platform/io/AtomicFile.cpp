#include "platform/io/AtomicFile.h"

#include "platform/io/FileSystem.h"
#include "platform/io/NameReservation.h"
#include "platform/io/TemporaryFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace pellora {

namespace {

// 0, or minus errno.
int syncFolder(FileSystem& fs, const std::filesystem::path& folder)
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

std::optional<Failure> moveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to)
{
    FileSystem& fs = FileSystem::current();
    if (const int rc = fs.renameNoReplace(from, to); !refusedAsUnsupported(rc))
        return rc == 0 ? std::nullopt : std::optional(Failure::ofPlacing(-rc));
    if (const int rc = fs.link(from, to); !linkUnsupported(rc)) {
        if (rc != 0)
            return Failure::ofPlacing(-rc);
        fs.unlink(from); // a second name left behind is swept like any temporary file
        return std::nullopt;
    }
    auto reservation = NameReservation::take(to);
    if (!reservation)
        return reservation.error();
    return reservation->fillWith(from);
}

} // namespace

Expected<AtomicFile, Failure> AtomicFile::create(const std::filesystem::path& destination, Mode mode,
                                                 mode_t permissions)
{
    FileSystem& fs = FileSystem::current();
    int rc = -EEXIST;
    for (int attempt = 0; attempt < 8 && rc == -EEXIST; ++attempt) {
        std::filesystem::path temporary = temporaryFiles::nameIn(temporaryFiles::folderOf(destination));
        rc = fs.open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, permissions);
        if (rc >= 0) {
            // Held as long as the descriptor: a sweeper that can take it knows the writer is gone.
            ::flock(rc, LOCK_EX | LOCK_NB);
            return AtomicFile(UniqueFd(rc), std::move(temporary), destination, mode);
        }
    }
    return unexpected(Failure::of(FailureCause::CannotCreate, -rc));
}

AtomicFile::AtomicFile(UniqueFd fd, std::filesystem::path temporary, std::filesystem::path destination, Mode mode)
    : fd_(std::move(fd)), temporary_(std::move(temporary)), destination_(std::move(destination)), mode_(mode)
{
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : fd_(std::move(other.fd_)), temporary_(std::move(other.temporary_)),
      destination_(std::move(other.destination_)), mode_(other.mode_),
      pending_(std::exchange(other.pending_, false))
{
}

AtomicFile::~AtomicFile()
{
    if (pending_)
        discard();
}

void AtomicFile::discard()
{
    FileSystem::current().unlink(temporary_);
    fd_.close();
    pending_ = false;
}

std::optional<Failure> AtomicFile::moveIntoPlace()
{
    if (mode_ == Mode::NeverReplace)
        return moveWithoutReplacing(temporary_, destination_);
    if (const int rc = FileSystem::current().rename(temporary_, destination_); rc != 0)
        return Failure::of(FailureCause::CannotCommit, -rc);
    return std::nullopt;
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
    if (const int rc = syncFolder(fs, temporaryFiles::folderOf(destination_)); rc != 0 && mode_ == Mode::NeverReplace) {
        fs.unlink(destination_);
        fd_.close();
        return Failure::of(FailureCause::CannotCommit, -rc);
    }
    // Data and name are synced: a late close error cannot change the file.
    fd_.close();
    return std::nullopt;
}

} // namespace pellora
