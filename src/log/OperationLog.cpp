#include "log/OperationLog.h"

#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/io/WriteAll.h"
#include "platform/text/Cp932.h"

#include <cerrno>
#include <string>

namespace pellora::operationLog {

namespace {

bool hasEmbeddedNul(const std::filesystem::path& path)
{
    return path.native().find('\0') != std::string::npos;
}

Unexpected<Failure> cannotWrite(int error) { return unexpected(Failure::of(FailureCause::CannotWrite, error)); }

} // namespace

Status appendLine(FileSystem& fs, std::string_view text, const std::filesystem::path& path)
{
    return appendLine(text, fs.workingFolder(), path);
}

Status appendLine(std::string_view text, const FileHandle& folder, const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return cannotWrite(EINVAL);
    auto encoded = cp932::encode(text);
    if (!encoded)
        return cannotWrite(encoded.error().systemError);
    const std::string bytes = *encoded + "\r\n";
    // Only ever a regular file: a FIFO under the log's name would block the
    // open (and the run) for good, a device is no log, and a link may point
    // at a picture. Non-blocking, so even a FIFO only gets looked at.
    auto log = openRegular(folder, path, Open::Write | Open::Append | Open::Create | Open::NoFollow,
                           FailureCause::CannotWrite);
    if (!log)
        return unexpected(log.error());
    // Appending, a whole line normally lands at the end in one call, even
    // when another copy of the tool appends to the same log.
    if (const Status written = writeAll(log->handle, bytes.data(), bytes.size()); !written)
        return cannotWrite(written.error().systemError);
    if (const Status closed = log->handle.close(); !closed)
        return cannotWrite(closed.error().systemError);
    return ok();
}

} // namespace pellora::operationLog
