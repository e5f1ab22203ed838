#include "platform/DurableFileWriter.h"

#include "platform/FileSystem.h"
#include "platform/TempFileName.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace pellora {

namespace {

bool writeAll(FileSystem& fs, int fd, std::span<const std::uint8_t> bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = fs.write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false; // a write that makes no progress would loop forever
        done += static_cast<size_t>(n);
    }
    return true;
}

bool syncFolder(FileSystem& fs, const std::filesystem::path& folder)
{
    UniqueFd fd(fs.open(folder, O_RDONLY | O_DIRECTORY));
    return fd.valid() && fs.fsync(fd.get()) == 0 && fd.close() == 0;
}

// Creates a fresh temporary file and takes a lock on it that lives as long as
// the descriptor: a sweeper that can take the lock knows its writer is gone.
UniqueFd createTemporary(FileSystem& fs, const std::filesystem::path& folder, std::filesystem::path& name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        name = TempFileName::next(folder);
        UniqueFd fd(fs.open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644));
        if (fd.valid()) {
            ::flock(fd.get(), LOCK_EX | LOCK_NB);
            return fd;
        }
        if (fd.get() != -EEXIST)
            break;
    }
    return UniqueFd();
}

JpegWriteStatus fillTemporary(FileSystem& fs, UniqueFd& fd, std::span<const std::uint8_t> bytes,
                              const std::optional<timespec>& modificationTime)
{
    if (!writeAll(fs, fd.get(), bytes))
        return JpegWriteStatus::CannotWrite;
    if (modificationTime)
        fs.setModificationTime(fd.get(), *modificationTime); // a lost date is no reason to fail
    if (fs.fsync(fd.get()) != 0)
        return JpegWriteStatus::CannotWrite;
    return JpegWriteStatus::Written;
}

} // namespace

JpegWriteStatus DurableFileWriter::write(const std::filesystem::path& destination,
                                         std::span<const std::uint8_t> bytes,
                                         const std::optional<timespec>& modificationTime)
{
    FileSystem& fs = FileSystem::current();
    const std::filesystem::path folder = destination.parent_path().empty() ? "." : destination.parent_path();

    std::filesystem::path temporary;
    UniqueFd fd = createTemporary(fs, folder, temporary);
    if (!fd.valid())
        return JpegWriteStatus::CannotCreate;

    JpegWriteStatus status = fillTemporary(fs, fd, bytes, modificationTime);
    // Keep the lock until the file is under its final name or removed.
    if (status == JpegWriteStatus::Written) {
        const int rc = fs.renameNoReplace(temporary, destination);
        if (rc == -EEXIST)
            status = JpegWriteStatus::DestinationExists;
        else if (rc != 0)
            status = JpegWriteStatus::CannotCommit;
    }
    if (status != JpegWriteStatus::Written) {
        fs.unlink(temporary);
        return status;
    }
    // The name is only durable once the folder is synced. If that fails, the
    // caller will keep the source; take the file back rather than leave a
    // picture whose name may vanish on a crash.
    if (!syncFolder(fs, folder)) {
        fs.unlink(destination);
        return JpegWriteStatus::CannotCommit;
    }
    // Data and name are synced: a late close error cannot change the file.
    fd.close();
    return JpegWriteStatus::Written;
}

} // namespace pellora
