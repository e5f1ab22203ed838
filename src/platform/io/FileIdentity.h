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
    // The same for `name` looked up from `folder` (see FileSystem).
    static std::optional<FileIdentity> of(int folder, const std::filesystem::path& name);
    static FileIdentity of(const struct stat& info);

    // Whether `name` in `folder` is still the file open as `fd`: a file we
    // just created can have lost its name to a sweeper meanwhile.
    static bool nameLeadsTo(int folder, const std::filesystem::path& name, int fd);

    bool operator==(const FileIdentity& other) const;
};

} // namespace pellora
