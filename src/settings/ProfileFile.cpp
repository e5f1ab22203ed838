#include "settings/ProfileFile.h"

#include "platform/io/AtomicFile.h"
#include "platform/io/FileSystem.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/io/UniqueFd.h"
#include "platform/io/WriteAll.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellora::profileFile {

namespace {

std::filesystem::path followLink(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
        return path;
    std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target;
}

// Root saving a user's settings (sudo) must hand the file back to the user,
// who could otherwise no longer read or save it. Other users may not give a
// file away, so for them the change of owner is refused: the new file is
// then theirs, as the old one was. File systems without owners or modes
// (FAT) refuse both, and there is nothing to keep. The mode goes last, since
// a change of owner clears the set-id bits.
void keepAttributes(int fd, const Attributes& kept)
{
    ::fchown(fd, kept.owner, kept.group);
    ::fchmod(fd, kept.mode & 07777);
}

} // namespace

Expected<Contents, Failure> read(const std::filesystem::path& path)
{
    FileSystem& fs = FileSystem::current();
    // Non-blocking, so that a FIFO under the file's name cannot hang the open.
    const int opened = fs.open(path, O_RDONLY | O_NONBLOCK);
    if (opened < 0)
        return unexpected(Failure::of(FailureCause::CannotRead, -opened));
    UniqueFd fd(opened);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return unexpected(Failure::of(FailureCause::CannotRead, errno));
    if (!S_ISREG(info.st_mode))
        return unexpected(Failure::of(FailureCause::NotRegularFile));
    if (static_cast<std::uint64_t>(info.st_size) > kMaxSize)
        return unexpected(Failure::of(FailureCause::TooLarge));

    Contents contents{std::string(static_cast<size_t>(info.st_size), '\0'), {info.st_mode, info.st_uid, info.st_gid}};
    size_t done = 0;
    while (done < contents.bytes.size()) {
        const ssize_t n = fs.read(fd.get(), contents.bytes.data() + done, contents.bytes.size() - done);
        if (n < 0)
            return unexpected(Failure::of(FailureCause::CannotRead, static_cast<int>(-n)));
        if (n == 0)
            break; // the file shrank while we read it
        done += static_cast<size_t>(n);
    }
    // A file that changed size under us is read as it is now, not as stat said.
    contents.bytes.resize(done);
    return contents;
}

Status probeWritable(const std::filesystem::path& path)
{
    const int fd = FileSystem::current().open(path, O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return unexpected(Failure::of(FailureCause::CannotWrite, -fd));
    UniqueFd opened(fd);
    return ok();
}

Status replace(const std::filesystem::path& path, std::string_view bytes, const std::optional<Attributes>& kept)
{
    const std::filesystem::path target = followLink(path);
    // What a save killed before its end left here goes first.
    temporaryFiles::sweep(temporaryFiles::folderOf(target));
    // Created no more open than the file it replaces, whatever becomes of the mode change.
    auto file = AtomicFile::create(target, AtomicFile::Mode::Replace, kept ? kept->mode & 0777 : 0666);
    if (!file)
        return unexpected(file.error());
    if (kept)
        keepAttributes(file->fd(), *kept);
    if (const int rc = writeAll(file->fd(), bytes.data(), bytes.size()); rc != 0)
        return unexpected(Failure::of(FailureCause::CannotWrite, -rc));
    if (auto failure = file->commit())
        return unexpected(*failure);
    return ok();
}

} // namespace pellora::profileFile
