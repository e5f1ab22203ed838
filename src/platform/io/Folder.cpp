#include "platform/io/Folder.h"

#include "platform/io/FileSystem.h"

#include <cerrno>
#include <string>

namespace pellora {

Expected<Folder, Failure> Folder::open(FileSystem& fs, const std::filesystem::path& path)
{
    // The system would open only the part before a NUL: some other folder.
    if (path.native().find('\0') != std::string::npos)
        return unexpected(Failure::of(FailureCause::CannotRead, EINVAL));
    return openAt(fs.workingFolder(), path, 0);
}

Expected<Folder, Failure> Folder::openIn(const Folder& parent, const std::filesystem::path& name)
{
    return openAt(parent.handle(), name, Open::NoFollow);
}

Expected<Folder, Failure> Folder::openAt(const FileHandle& parent, const std::filesystem::path& name, OpenFlags flags)
{
    FileSystem& fs = parent.fileSystem();
    Folder folder;
    auto opened = fs.openAt(parent, name, Open::Read | Open::Folder | flags);
    folder.listable_ = opened.has_value();
    if (!opened && opened.error().systemError == EACCES)
        opened = fs.openAt(parent, name, Open::SearchOnly | Open::Folder | flags);
    if (!opened)
        return unexpected(Failure::of(FailureCause::CannotRead, opened.error().systemError));
    folder.handle_ = std::move(*opened);
    return folder;
}

Status Folder::sync() const
{
    FileSystem& fs = fileSystem();
    if (listable_)
        return fs.sync(handle_);
    // Fails as opening the folder by its path would (EACCES), not as a sync
    // of a handle that cannot be synced.
    auto readable = fs.openAt(handle_, ".", Open::Read | Open::Folder);
    if (!readable)
        return unexpected(readable.error());
    const Status synced = fs.sync(*readable);
    const Status closed = readable->close();
    return synced ? closed : synced;
}

} // namespace pellora

