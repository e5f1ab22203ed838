#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"

#include <cstddef>
#include <cstdint>

namespace pellora {

// Writes all `size` bytes through the file's FileSystem, however short each
// write call turns out; a write that makes no progress counts as EIO rather
// than looping forever. Failures: CannotWrite.
Status writeAll(const FileHandle& file, const void* data, std::size_t size);

// Reads `size` bytes from `offset` through the file's FileSystem, however
// short each read call turns out: fewer only at the end of the file. The
// count; failures: CannotRead.
Expected<std::size_t, Failure> readAllAt(const FileHandle& file, void* data, std::size_t size, std::uint64_t offset);

} // namespace pellora
