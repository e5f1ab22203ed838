#include "platform/StagedFile.h"

#include <cerrno>
#include <fcntl.h>

namespace pellora {

namespace {

bool syncFolder(FileSystem& fs, const std::filesystem::path& folder)
{
    UniqueFd fd(fs.open(folder, O_RDONLY | O_DIRECTORY));
    return fd.valid() && fs.fsync(fd.get()) == 0 && fd.close() == 0;
}

} // namespace

StagedFile::StagedFile(UniqueFd fd, std::filesystem::path temporary, std::filesystem::path destination)
    : fd_(std::move(fd)), temporary_(std::move(temporary)), destination_(std::move(destination))
{
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : fd_(std::move(other.fd_)), temporary_(std::move(other.temporary_)),
      destination_(std::move(other.destination_)), pending_(std::exchange(other.pending_, false))
{
}

StagedFile::~StagedFile()
{
    if (pending_)
        discard();
}

void StagedFile::discard()
{
    FileSystem::current().unlink(temporary_);
    fd_.close();
    pending_ = false;
}

JpegWriteStatus StagedFile::commit()
{
    if (!pending_)
        return JpegWriteStatus::CannotCommit;
    FileSystem& fs = FileSystem::current();
    if (fs.fsync(fd_.get()) != 0) {
        discard();
        return JpegWriteStatus::CannotWrite;
    }
    const int rc = fs.renameNoReplace(temporary_, destination_);
    if (rc != 0) {
        discard();
        return rc == -EEXIST ? JpegWriteStatus::DestinationExists : JpegWriteStatus::CannotCommit;
    }
    pending_ = false;
    const std::filesystem::path folder = destination_.parent_path().empty() ? "." : destination_.parent_path();
    // The name is only durable once the folder is synced. If that fails the
    // caller keeps the source; take the file back rather than leave a picture
    // whose name may vanish on a crash.
    if (!syncFolder(fs, folder)) {
        fs.unlink(destination_);
        fd_.close();
        return JpegWriteStatus::CannotCommit;
    }
    // Data and name are synced: a late close error cannot change the file.
    fd_.close();
    return JpegWriteStatus::Written;
}

} // namespace pellora
