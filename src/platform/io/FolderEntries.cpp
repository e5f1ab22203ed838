#include "platform/io/FolderEntries.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellora {

FolderEntries::FolderEntries(int folder, const std::filesystem::path& where)
{
    // Its own open file: reading entries moves the offset, which a duplicate
    // of the folder's descriptor would share with every other listing.
    int fd = -1;
    do
        fd = ::openat(folder, where.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    dir_ = ::fdopendir(fd);
    if (!dir_) {
        error_ = errno;
        ::close(fd);
    }
}

FolderEntries::~FolderEntries()
{
    if (dir_)
        ::closedir(dir_);
}

std::optional<FolderEntries::Entry> FolderEntries::next()
{
    if (!dir_ || error_ != 0)
        return std::nullopt;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir_);
        if (!entry) {
            error_ = errno;
            return std::nullopt;
        }
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            return Entry{entry->d_name, entry->d_type};
    }
}

std::optional<struct stat> FolderEntries::statusOf(const Entry& entry, bool followLink) const
{
    struct stat info {};
    if (::fstatat(::dirfd(dir_), entry.name.c_str(), &info, followLink ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return info;
}

bool FolderEntries::isRegularFile(const Entry& entry) const
{
    if (entry.type != DT_UNKNOWN)
        return entry.type == DT_REG;
    const auto info = statusOf(entry, false);
    return info && S_ISREG(info->st_mode);
}

bool FolderEntries::leadsToFolder(const Entry& entry) const
{
    if (entry.type != DT_UNKNOWN && entry.type != DT_LNK)
        return entry.type == DT_DIR;
    const auto info = statusOf(entry, true);
    return info && S_ISDIR(info->st_mode);
}

} // namespace pellora
