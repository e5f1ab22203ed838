#include "platform/WriteAll.h"

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

} // namespace pellora
