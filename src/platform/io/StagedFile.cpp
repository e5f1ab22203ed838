#include "platform/io/StagedFile.h"

#include "platform/io/NoReplaceMove.h"

#include <cerrno>
#include <fcntl.h>

namespace pellora {

namespace {

// 0, or minus errno.
int syncFolder(FileSystem& fs, const std::filesystem::path& folder)
{
    UniqueFd fd(fs.open(folder, O_RDONLY | O_DIRECTORY));
    if (!fd.valid())
        return fd.get();
    const int rc = fs.fsync(fd.get());
    const int closed = fd.close();
    return rc != 0 ? rc : closed;
}

CommitOutcome failed(JpegWriteStatus status, int rc) { return CommitOutcome{status, -rc}; }

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

CommitOutcome StagedFile::commit()
{
    if (!pending_)
        return failed(JpegWriteStatus::CannotCommit, -EINVAL);
    FileSystem& fs = FileSystem::current();
    if (const int rc = fs.fsync(fd_.get()); rc != 0) {
        discard();
        return failed(JpegWriteStatus::CannotWrite, rc);
    }
    if (const int rc = NoReplaceMove::move(temporary_, destination_); rc != 0) {
        discard();
        return failed(rc == -EEXIST ? JpegWriteStatus::DestinationExists : JpegWriteStatus::CannotCommit, rc);
    }
    pending_ = false;
    const std::filesystem::path folder = destination_.parent_path().empty() ? "." : destination_.parent_path();
    // The name is only durable once the folder is synced. If that fails the
    // caller keeps the source; take the file back rather than leave a picture
    // whose name may vanish on a crash.
    if (const int rc = syncFolder(fs, folder); rc != 0) {
        fs.unlink(destination_);
        fd_.close();
        return failed(JpegWriteStatus::CannotCommit, rc);
    }
    // Data and name are synced: a late close error cannot change the file.
    fd_.close();
    return CommitOutcome{};
}

} // namespace pellora
