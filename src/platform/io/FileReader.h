#pragma once

#include "platform/Expected.h"
#include "platform/io/UninitializedBytes.h"

#include <sys/types.h>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace pellora {

// Reads a whole regular file into memory through FileSystem.
class FileReader {
public:
    // Refuses files larger than this: no valid screenshot comes near it.
    static constexpr std::uint64_t kMaxFileSize = std::uint64_t{2} << 30;

    struct Contents {
        UninitializedBytes bytes;
        timespec modificationTime{};
        mode_t mode = 0;
    };

    // On failure, the errno value of what went wrong: EISDIR for anything but
    // a regular file, EFBIG above `maxSize`, ELOOP for a link unless
    // `followLinks` (a screenshot is never read through a link).
    // `buffer` is reused for the contents when it is large enough.
    static Expected<Contents, int> readAll(const std::filesystem::path& path,
                                           std::uint64_t maxSize = kMaxFileSize, bool followLinks = false,
                                           UninitializedBytes buffer = {});
};

} // namespace pellora
