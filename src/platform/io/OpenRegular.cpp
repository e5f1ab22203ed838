#include "platform/io/OpenRegular.h"

#include "platform/io/FileSystem.h"

namespace pellora {

Expected<RegularFile, Failure> openRegular(const FileHandle& folder, const std::filesystem::path& name,
                                           OpenFlags flags, FailureCause failingAs, unsigned permissions)
{
    FileSystem& fs = folder.fileSystem();
    auto opened = fs.openAt(folder, name, flags | Open::NonBlocking, permissions);
    if (!opened)
        return unexpected(Failure::of(failingAs, opened.error().systemError));
    const auto status = fs.status(*opened);
    if (!status)
        return unexpected(Failure::of(failingAs, status.error().systemError));
    if (!status->isRegular())
        return unexpected(Failure::of(FailureCause::NotRegularFile));
    return RegularFile{std::move(*opened), *status};
}

} // namespace pellora
