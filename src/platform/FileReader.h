#pragma once

#include "platform/Expected.h"

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
        std::vector<std::uint8_t> bytes;
        timespec modificationTime{};
    };

    // On failure, the errno value of what went wrong.
    static Expected<Contents, int> readAll(const std::filesystem::path& path);
};

} // namespace pellora
