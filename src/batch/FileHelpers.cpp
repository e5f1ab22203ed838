#include "batch/FileHelpers.h"

#include "platform/io/FileSystem.h"

#include <cerrno>
#include <string>

namespace pellora::fileHelpers {

namespace {

bool hasEmbeddedNul(const std::filesystem::path& path)
{
    return path.native().find('\0') != std::string::npos;
}

Unexpected<Failure> cannotDelete(int error) { return unexpected(Failure::of(FailureCause::CannotDelete, error)); }

// Gone already, whoever removed it: nothing left to delete.
bool isNotThere(int error) { return error == ENOENT || error == ENOTDIR; }

// `checked`: the file open under `path`, to be deleted through its handle.
Status deleteIfThere(const FileHandle& folder, const std::filesystem::path& path, const FileHandle* checked)
{
    if (path.empty() || hasEmbeddedNul(path))
        return cannotDelete(EINVAL);
    FileSystem& fs = folder.fileSystem();
    const auto info = fs.statusAt(folder, path, FileSystem::Links::NotFollowed);
    if (!info)
        return isNotThere(info.error().systemError) ? ok() : Status(cannotDelete(info.error().systemError));
    if (info->isFolder())
        return cannotDelete(EISDIR);
    if (info->isRegular() && !info->ownerMayWrite())
        return unexpected(Failure::of(FailureCause::ReadOnly));
    const Status removed = checked ? fs.unlinkOpened(*checked, folder, path) : fs.unlinkAt(folder, path);
    if (!removed && !isNotThere(removed.error().systemError))
        return cannotDelete(removed.error().systemError);
    return ok();
}

} // namespace

Status deleteFileIfExists(FileSystem& fs, const std::filesystem::path& path)
{
    return deleteFileIfExists(fs.workingFolder(), path);
}

Status deleteFileIfExists(const FileHandle& folder, const std::filesystem::path& path)
{
    return deleteIfThere(folder, path, nullptr);
}

Status deleteCheckedFile(const FileHandle& folder, const std::filesystem::path& name, const FileHandle& file)
{
    return deleteIfThere(folder, name, &file);
}

} // namespace pellora::fileHelpers
