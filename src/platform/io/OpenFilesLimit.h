#pragma once

#include <cstddef>

namespace pellora {

// How many files this process may have open at once: on POSIX the soft limit
// of descriptors (`ulimit -n`), which a run must stay under or fail files for
// want of one. Very large where the system sets no such limit.
std::size_t openFilesAllowed();

} // namespace pellora
