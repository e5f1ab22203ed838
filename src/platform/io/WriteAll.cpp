#include "platform/io/WriteAll.h"

#include "platform/io/FileSystem.h"

#include <cerrno>

namespace pellora {

Status writeAll(const FileHandle& file, const void* data, std::size_t size)
{
    FileSystem& fs = file.fileSystem();
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const auto n = fs.write(file, bytes + done, size - done);
        if (!n)
            return unexpected(Failure::of(FailureCause::CannotWrite, n.error().systemError));
        if (*n == 0)
            return unexpected(Failure::of(FailureCause::CannotWrite, EIO));
        done += *n;
    }
    return ok();
}

Expected<std::size_t, Failure> readAllAt(const FileHandle& file, void* data, std::size_t size, std::uint64_t offset)
{
    FileSystem& fs = file.fileSystem();
    auto* bytes = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const auto n = fs.readAt(file, bytes + done, size - done, offset + done);
        if (!n)
            return unexpected(Failure::of(FailureCause::CannotRead, n.error().systemError));
        if (*n == 0)
            break;
        done += *n;
    }
    return done;
}

} // namespace pellora
