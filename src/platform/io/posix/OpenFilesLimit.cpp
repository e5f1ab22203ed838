#include "platform/io/OpenFilesLimit.h"

#include <sys/resource.h>

#include <limits>

namespace pellora {

std::size_t openFilesAllowed()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > std::numeric_limits<std::size_t>::max())
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(limit.rlim_cur);
}

} // namespace pellora
