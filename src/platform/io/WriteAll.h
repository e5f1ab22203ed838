#pragma once

#include "platform/io/FileSystem.h"

#include <cstddef>
#include <cstdint>

namespace pellora {

// Writes all `size` bytes through FileSystem, however short each write call
// turns out. 0, or minus errno; a write that makes no progress counts as EIO
// rather than looping forever.
int writeAll(int fd, const void* data, std::size_t size);

// Reads `size` bytes from `offset` through FileSystem, however short each read
// call turns out: fewer only at the end of the file. The count, or minus errno.
ssize_t readAllAt(int fd, void* data, std::size_t size, std::uint64_t offset);

} // namespace pellora
