#pragma once

#include "platform/Expected.h"
#include "platform/jpeg/JpegWriteStatus.h"
#include "platform/io/StagedFile.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>

namespace pellora {

// Puts a file under its final name complete and durable, or not at all: the
// bytes go to a temporary file in the destination folder, are synced, moved
// to the final name without ever replacing an existing file, and the folder is
// synced. On every failure the temporary file is removed.
class DurableFileWriter {
public:
    static JpegWriteStatus write(const std::filesystem::path& destination,
                                 std::span<const std::uint8_t> bytes,
                                 const std::optional<timespec>& modificationTime);

    // An empty temporary file beside `destination`, for the caller to write
    // into through its descriptor. On failure, the errno.
    static Expected<StagedFile, int> create(const std::filesystem::path& destination);

    // The first half of write: the bytes in a temporary file, not yet synced.
    // Lets the slow syncs of one file overlap with the work on the next.
    static Expected<StagedFile, JpegWriteStatus> stage(const std::filesystem::path& destination,
                                                       std::span<const std::uint8_t> bytes,
                                                       const std::optional<timespec>& modificationTime);
};

} // namespace pellora
