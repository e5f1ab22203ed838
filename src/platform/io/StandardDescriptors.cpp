#include "platform/io/StandardDescriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace pellora {

namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// /dev/null where there is one; otherwise the root folder, which any write
// refuses, so it only holds the number.
int openPlaceholder()
{
    const int fd = ::open("/dev/null", O_RDWR | O_NOCTTY);
    return fd >= 0 ? fd : ::open("/", O_RDONLY | O_DIRECTORY);
}

bool fill(int wanted)
{
    const int fd = openPlaceholder();
    if (fd < 0)
        return false;
    if (fd == wanted)
        return true; // the lowest free number, as expected when the lower ones are open
    const bool moved = ::dup2(fd, wanted) == wanted;
    ::close(fd);
    return moved;
}

} // namespace

bool ensureStandardDescriptorsOpen()
{
    for (int fd = 0; fd <= 2; ++fd)
        if (!isOpen(fd) && !fill(fd))
            return false;
    return true;
}

} // namespace pellora
