#include "platform/io/DurableFileWriter.h"

#include "platform/io/FileSystem.h"
#include "platform/io/TempFileName.h"
#include "platform/io/UniqueFd.h"
#include "platform/io/WriteAll.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace pellora {

namespace {

// Creates a fresh temporary file and takes a lock on it that lives as long as
// the descriptor: a sweeper that can take the lock knows its writer is gone.
UniqueFd createTemporary(FileSystem& fs, const std::filesystem::path& folder, std::filesystem::path& name)
{
    UniqueFd fd;
    for (int attempt = 0; attempt < 8; ++attempt) {
        name = TempFileName::next(folder);
        fd = UniqueFd(fs.open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644));
        if (fd.valid()) {
            ::flock(fd.get(), LOCK_EX | LOCK_NB);
            return fd;
        }
        if (fd.get() != -EEXIST)
            break;
    }
    return fd;
}

} // namespace

Expected<StagedFile, int> DurableFileWriter::create(const std::filesystem::path& destination)
{
    FileSystem& fs = FileSystem::current();
    const std::filesystem::path folder = destination.parent_path().empty() ? "." : destination.parent_path();
    std::filesystem::path temporary;
    UniqueFd fd = createTemporary(fs, folder, temporary);
    if (!fd.valid())
        return unexpected(-fd.get());
    return StagedFile(std::move(fd), temporary, destination);
}

Expected<StagedFile, JpegWriteStatus> DurableFileWriter::stage(const std::filesystem::path& destination,
                                                               std::span<const std::uint8_t> bytes,
                                                               const std::optional<timespec>& modificationTime)
{
    FileSystem& fs = FileSystem::current();
    auto created = create(destination);
    if (!created)
        return unexpected(JpegWriteStatus::CannotCreate);
    StagedFile staged = std::move(*created);
    const int descriptor = staged.fd();
    if (writeAll(descriptor, bytes.data(), bytes.size()) != 0)
        return unexpected(JpegWriteStatus::CannotWrite); // `staged` removes the temporary file
    if (modificationTime)
        fs.setModificationTime(descriptor, *modificationTime); // a lost date is no reason to fail
    return staged;
}

JpegWriteStatus DurableFileWriter::write(const std::filesystem::path& destination,
                                         std::span<const std::uint8_t> bytes,
                                         const std::optional<timespec>& modificationTime)
{
    auto staged = stage(destination, bytes, modificationTime);
    if (!staged)
        return staged.error();
    return staged->commit();
}

} // namespace pellora
