#include "log/OperationLog.h"

#include "platform/io/FileSystem.h"
#include "platform/io/UniqueFd.h"
#include "platform/io/WriteAll.h"
#include "platform/text/Cp932.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>

namespace pellora::operationLog {

namespace {

bool hasEmbeddedNul(const std::filesystem::path& path)
{
    return path.native().find('\0') != std::string::npos;
}

Unexpected<Failure> cannotWrite(int error) { return unexpected(Failure::of(FailureCause::CannotWrite, error)); }

} // namespace

Status appendLine(std::string_view text, const std::filesystem::path& path)
{
    return appendLine(text, AT_FDCWD, path);
}

Status appendLine(std::string_view text, int folder, const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return cannotWrite(EINVAL);
    FileSystem& fs = FileSystem::current();
    auto encoded = cp932::encode(text);
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
        return unexpected(Failure::of(FailureCause::NotRegularFile));
    // With O_APPEND a whole line normally lands at the end in one call, even
    // when another copy of the tool appends to the same log.
    if (const int rc = writeAll(fd.get(), bytes.data(), bytes.size()); rc != 0)
        return cannotWrite(-rc);
    if (const int rc = fd.close(); rc != 0)
        return cannotWrite(-rc);
    return ok();
}

} // namespace pellora::operationLog
