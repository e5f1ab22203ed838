#include "platform/io/FileIdentity.h"

#include "platform/io/FileSystem.h"

namespace pellora {

std::optional<FileIdentity> FileIdentity::of(const FileHandle& folder, const std::filesystem::path& name)
{
    const auto status = folder.fileSystem().statusAt(folder, name, FileSystem::Links::NotFollowed);
    if (!status)
        return std::nullopt;
    return of(*status);
}

bool FileIdentity::nameLeadsTo(const FileHandle& folder, const std::filesystem::path& name, const FileHandle& file)
{
    const auto open = file.fileSystem().status(file);
    if (!open)
        return false;
    const auto named = folder.fileSystem().statusAt(folder, name, FileSystem::Links::NotFollowed);
    return named && open->device == named->device && open->inode == named->inode;
}

FileIdentity FileIdentity::of(const FileStatus& status)
{
    return FileIdentity{status.device, status.inode, status.size, status.modified};
}

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

} // namespace pellora
