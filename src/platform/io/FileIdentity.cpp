#include "platform/io/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace pellora {

std::optional<FileIdentity> FileIdentity::of(const std::filesystem::path& path)
{
    return of(AT_FDCWD, path);
}

std::optional<FileIdentity> FileIdentity::of(int folder, const std::filesystem::path& name)
{
    struct stat info {};
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return of(info);
}

bool FileIdentity::nameLeadsTo(int folder, const std::filesystem::path& name, int fd)
{
    struct stat open {}, named {};
    return ::fstat(fd, &open) == 0 && ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

FileIdentity FileIdentity::of(const struct stat& info)
{
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                        static_cast<std::int64_t>(info.st_size), info.st_mtim};
}

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

} // namespace pellora
