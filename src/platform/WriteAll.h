#pragma once

#include "platform/FileSystem.h"

#include <cstddef>

namespace pellora {

// Writes all `size` bytes through FileSystem, however short each write call
// turns out. 0, or minus errno; a write that makes no progress counts as EIO
// rather than looping forever.
int writeAll(int fd, const void* data, std::size_t size);

} // namespace pellora
