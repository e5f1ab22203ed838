#include "settings/ProfileFile.h"

#include "platform/io/AtomicFile.h"
#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/io/WriteAll.h"

#include <cerrno>

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
void keepAttributes(const FileHandle& file, const Attributes& kept)
{
    FileSystem& fs = file.fileSystem();
    [[maybe_unused]] const Status owned = fs.setOwner(file, kept.owner, kept.group);
    [[maybe_unused]] const Status permitted = fs.setPermissions(file, kept.mode & 07777);
}

} // namespace

Expected<Contents, Failure> read(FileSystem& fs, const std::filesystem::path& path)
{
    auto opened = openRegular(fs.workingFolder(), path, Open::Read, FailureCause::CannotRead);
    if (!opened)
        return unexpected(opened.error());
    const FileStatus& info = opened->status;
    if (static_cast<std::uint64_t>(info.size) > kMaxSize)
        return unexpected(Failure::of(FailureCause::TooLarge));

    Contents contents{std::string(static_cast<size_t>(info.size), '\0'), {info.permissions, info.owner, info.group}};
    size_t done = 0;
    while (done < contents.bytes.size()) {
        const auto n = fs.read(opened->handle, contents.bytes.data() + done, contents.bytes.size() - done);
        if (!n)
            return unexpected(Failure::of(FailureCause::CannotRead, n.error().systemError));
        if (*n == 0)
            break; // the file shrank while we read it
        done += *n;
    }
    // A file that changed size under us is read as it is now, not as stat said.
    contents.bytes.resize(done);
    return contents;
}

Status probeWritable(FileSystem& fs, const std::filesystem::path& path)
{
    const auto opened = fs.open(path, Open::Write | Open::NonBlocking);
    if (!opened)
        return unexpected(Failure::of(FailureCause::CannotWrite, opened.error().systemError));
    return ok();
}

Status replace(FileSystem& fs, const std::filesystem::path& path, std::string_view bytes,
               const std::optional<Attributes>& kept)
{
    const std::filesystem::path target = followLink(path);
    // What a save killed before its end left here goes first.
    temporaryFiles::sweep(fs, temporaryFiles::folderOf(target));
    // Created no more open than the file it replaces, whatever becomes of the mode change.
    auto file = AtomicFile::create(fs, target, AtomicFile::Mode::Replace, kept ? kept->mode & 0777 : 0666);
    if (!file)
        return unexpected(file.error());
    if (kept)
        keepAttributes(file->file(), *kept);
    if (const Status written = writeAll(file->file(), bytes.data(), bytes.size()); !written)
        return unexpected(Failure::of(FailureCause::CannotWrite, written.error().systemError));
    return file->commit();
}

} // namespace pellora::profileFile
