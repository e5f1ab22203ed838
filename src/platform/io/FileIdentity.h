#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace pellora {

// What tells one version of a file from another: the file itself (device and
// inode) and its size and modification time. A file replaced under the same
// name, or rewritten in place, has a different identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    timespec modified{};

    // The identity of the entry itself (a link is not followed), or nothing
    // when there is no such entry.
    static std::optional<FileIdentity> of(const std::filesystem::path& path);
    static FileIdentity of(const struct stat& info);

    bool operator==(const FileIdentity& other) const;
};

} // namespace pellora
