#include "log/modFunc.h"

#include "platform/io/FileSystem.h"
#include "platform/io/UniqueFd.h"
#include "platform/io/WriteAll.h"
#include "platform/text/Cp932.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <system_error>

namespace pellora::modFunc {

namespace {

bool hasEmbeddedNul(const std::filesystem::path& path)
{
    return path.native().find('\0') != std::string::npos;
}

Failure cannotWrite(int error) { return Failure::of(FailureCause::CannotWrite, error); }
std::optional<Failure> cannotDelete(int error) { return Failure::of(FailureCause::CannotDelete, error); }

// Gone already, whoever removed it: nothing left to delete.
bool isNotThere(int error) { return error == ENOENT || error == ENOTDIR; }

} // namespace

std::optional<Failure> AppendLogLine(const QString& text, const std::filesystem::path& path)
{
    return AppendLogLine(text, AT_FDCWD, path);
}

std::optional<Failure> AppendLogLine(const QString& text, int folder, const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return cannotWrite(EINVAL);
    FileSystem& fs = FileSystem::current();
    auto encoded = cp932::encode(text.toStdString());
    if (!encoded)
        return cannotWrite(encoded.error().systemError);
    const std::string bytes = *encoded + "\r\n";
    // Only ever a regular file: a FIFO under the log's name would block the
    // open (and the run) for good, a device is no log, and a link may point
    // at a picture. Non-blocking, so even a FIFO only gets looked at.
    const int opened = fs.openAt(folder, path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (opened < 0)
        return cannotWrite(-opened);
    UniqueFd fd(opened);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return cannotWrite(errno);
    if (!S_ISREG(info.st_mode))
        return Failure::of(FailureCause::NotRegularFile);
    // With O_APPEND a whole line normally lands at the end in one call, even
    // when another copy of the tool appends to the same log.
    if (const int rc = writeAll(fd.get(), bytes.data(), bytes.size()); rc != 0)
        return cannotWrite(-rc);
    if (const int rc = fd.close(); rc != 0)
        return cannotWrite(-rc);
    return std::nullopt;
}

bool FolderExists(const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return false;
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::optional<Failure> DeleteFileIfExists(const std::filesystem::path& path)
{
    return DeleteFileIfExists(AT_FDCWD, path);
}

std::optional<Failure> DeleteFileIfExists(int folder, const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return cannotDelete(EINVAL);
    struct stat info {};
    if (::fstatat(folder, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return isNotThere(errno) ? std::nullopt : cannotDelete(errno);
    if (S_ISDIR(info.st_mode))
        return cannotDelete(EISDIR);
    if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0)
        return Failure::of(FailureCause::ReadOnly);
    const int rc = FileSystem::current().unlinkAt(folder, path);
    if (rc < 0 && !isNotThere(-rc))
        return cannotDelete(-rc);
    return std::nullopt;
}

} // namespace pellora::modFunc
