#include "platform/io/Folder.h"

#include "platform/io/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <string>

namespace pellora {

Expected<Folder, Failure> Folder::open(const std::filesystem::path& path)
{
    // The system would open only the part before a NUL: some other folder.
    if (path.native().find('\0') != std::string::npos)
        return unexpected(Failure::of(FailureCause::CannotRead, EINVAL));
    return openAt(AT_FDCWD, path, 0);
}

Expected<Folder, Failure> Folder::openIn(const Folder& parent, const std::filesystem::path& name)
{
    return openAt(parent.fd(), name, O_NOFOLLOW);
}

Expected<Folder, Failure> Folder::openAt(int parent, const std::filesystem::path& name, int flags)
{
    FileSystem& fs = FileSystem::current();
    Folder folder;
    int fd = fs.openAt(parent, name, O_RDONLY | O_DIRECTORY | flags);
    folder.listable_ = fd >= 0;
    if (fd == -EACCES)
        fd = fs.openAt(parent, name, O_PATH | O_DIRECTORY | flags);
    if (fd < 0)
        return unexpected(Failure::of(FailureCause::CannotRead, -fd));
    folder.fd_ = UniqueFd(fd);
    return folder;
}

int Folder::sync() const
{
    FileSystem& fs = FileSystem::current();
    if (listable_)
        return fs.fsync(fd());
    // Fails as opening the folder by its path would (EACCES), not as a sync
    // of a descriptor that cannot be synced.
    const int opened = fs.openAt(fd(), ".", O_RDONLY | O_DIRECTORY);
    if (opened < 0)
        return opened;
    UniqueFd readable(opened);
    const int rc = fs.fsync(opened);
    const int closed = readable.close();
    return rc != 0 ? rc : closed;
}

} // namespace pellora
