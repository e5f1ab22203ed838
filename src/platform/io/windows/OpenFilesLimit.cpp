#include "platform/io/OpenFilesLimit.h"

#include <limits>

namespace pellora {

// Handles have no limit a run could come near: the engine opens files with
// CreateFileW, not through the C library's table of descriptors.
std::size_t openFilesAllowed()
{
    return std::numeric_limits<std::size_t>::max();
}

} // namespace pellora
