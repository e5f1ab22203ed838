#pragma once

#include "platform/io/FileHandle.h"
#include "platform/io/FileStatus.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>

namespace pellora {

// What tells one version of a file from another: the file itself (device and
// inode) and its size and modification time. A file replaced under the same
// name, or rewritten in place, has a different identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    timespec modified{};

    // The identity of `name` in `folder` itself (a link is not followed), or
    // nothing when there is no such entry.
    static std::optional<FileIdentity> of(const FileHandle& folder, const std::filesystem::path& name);
    static FileIdentity of(const FileStatus& status);

    // Whether `name` in `folder` is still the open `file`: a file we just
    // created can have lost its name to a sweeper meanwhile.
    static bool nameLeadsTo(const FileHandle& folder, const std::filesystem::path& name, const FileHandle& file);

    bool operator==(const FileIdentity& other) const;
};

} // namespace pellora
