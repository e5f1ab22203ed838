#include "platform/io/StandardDescriptors.h"

#ifdef _WIN32

namespace pellora {

Status ensureStandardDescriptorsOpen()
{
    return ok();
}

} // namespace pellora

#else

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

Status fill(int wanted)
{
    const int fd = openPlaceholder();
    if (fd < 0)
        return unexpected(Failure::of(FailureCause::Unexpected, errno));
    if (fd == wanted)
        return ok(); // the lowest free number, as expected when the lower ones are open
    const bool moved = ::dup2(fd, wanted) == wanted;
    const int error = errno;
    ::close(fd);
    return moved ? ok() : unexpected(Failure::of(FailureCause::Unexpected, error));
}

} // namespace

Status ensureStandardDescriptorsOpen()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (isOpen(fd))
            continue;
        if (Status filled = fill(fd); !filled)
            return filled;
    }
    return ok();
}

} // namespace pellora

#endif
