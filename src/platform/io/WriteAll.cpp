#include "platform/io/WriteAll.h"

#include <cerrno>

namespace pellora {

int writeAll(int fd, const void* data, std::size_t size)
{
    FileSystem& fs = FileSystem::current();
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = fs.write(fd, bytes + done, size - done);
        if (n < 0)
            return static_cast<int>(n);
        if (n == 0)
            return -EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

ssize_t readAllAt(int fd, void* data, std::size_t size, std::uint64_t offset)
{
    FileSystem& fs = FileSystem::current();
    auto* bytes = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = fs.pread(fd, bytes + done, size - done, offset + done);
        if (n < 0)
            return n;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

} // namespace pellora
