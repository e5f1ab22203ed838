#include "log/modFunc.h"

#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/io/WriteAll.h"
#include "platform/text/Cp932.h"

#include <cerrno>
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

std::optional<Failure> AppendLogLine(FileSystem& fs, const QString& text, const std::filesystem::path& path)
{
    return AppendLogLine(text, fs.workingFolder(), path);
}

std::optional<Failure> AppendLogLine(const QString& text, const FileHandle& folder, const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return cannotWrite(EINVAL);
    auto encoded = cp932::encode(text.toStdString());
    if (!encoded)
        return cannotWrite(encoded.error().systemError);
    const std::string bytes = *encoded + "\r\n";
    // Only ever a regular file: a FIFO under the log's name would block the
    // open (and the run) for good, a device is no log, and a link may point
    // at a picture. Non-blocking, so even a FIFO only gets looked at.
    auto log = openRegular(folder, path, Open::Write | Open::Append | Open::Create | Open::NoFollow,
                           FailureCause::CannotWrite);
    if (!log)
        return log.error();
    // Appending, a whole line normally lands at the end in one call, even
    // when another copy of the tool appends to the same log.
    if (const Status written = writeAll(log->handle, bytes.data(), bytes.size()); !written)
        return cannotWrite(written.error().systemError);
    if (const Status closed = log->handle.close(); !closed)
        return cannotWrite(closed.error().systemError);
    return std::nullopt;
}

bool FolderExists(const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return false;
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::optional<Failure> DeleteFileIfExists(FileSystem& fs, const std::filesystem::path& path)
{
    return DeleteFileIfExists(fs.workingFolder(), path);
}

std::optional<Failure> DeleteFileIfExists(const FileHandle& folder, const std::filesystem::path& path)
{
    if (path.empty() || hasEmbeddedNul(path))
        return cannotDelete(EINVAL);
    FileSystem& fs = folder.fileSystem();
    const auto info = fs.statusAt(folder, path, FileSystem::Links::NotFollowed);
    if (!info)
        return isNotThere(info.error().systemError) ? std::nullopt : cannotDelete(info.error().systemError);
    if (info->isFolder())
        return cannotDelete(EISDIR);
    if (info->isRegular() && !info->ownerMayWrite())
        return Failure::of(FailureCause::ReadOnly);
    const Status removed = fs.unlinkAt(folder, path);
    if (!removed && !isNotThere(removed.error().systemError))
        return cannotDelete(removed.error().systemError);
    return std::nullopt;
}

} // namespace pellora::modFunc
