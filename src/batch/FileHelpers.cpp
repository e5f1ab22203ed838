#include "batch/FileHelpers.h"

#include "platform/io/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <system_error>

namespace pellora::fileHelpers {

namespace {

bool hasEmbeddedNul(const std::filesystem::path& path)
{
    return path.native().find('\0') != std::string::npos;
}

Unexpected<Failure> cannotDelete(int error) { return unexpected(Failure::of(FailureCause::CannotDelete, error)); }

// Gone already, whoever removed it: nothing left to delete.
bool isNotThere(int error) { return error == ENOENT || error == ENOTDIR; }

} // namespace

bool folderExists(const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return false;
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

Status deleteFileIfExists(const std::filesystem::path& path)
{
    return deleteFileIfExists(AT_FDCWD, path);
}

Status deleteFileIfExists(int folder, const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return cannotDelete(EINVAL);
    struct stat info {};
    if (::fstatat(folder, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return isNotThere(errno) ? ok() : Status(cannotDelete(errno));
    if (S_ISDIR(info.st_mode))
        return cannotDelete(EISDIR);
    if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0)
        return unexpected(Failure::of(FailureCause::ReadOnly));
    const int rc = FileSystem::current().unlinkAt(folder, path);
    if (rc < 0 && !isNotThere(-rc))
        return cannotDelete(-rc);
    return ok();
}

} // namespace pellora::fileHelpers
