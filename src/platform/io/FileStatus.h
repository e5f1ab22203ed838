#pragma once

#include "platform/Failure.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace pellora {

enum class FileKind : std::uint8_t { Unknown, Regular, Folder, Link, Other };

// What the file system says about a file.
struct FileStatus {
    FileKind kind = FileKind::Unknown;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    timespec modified{};
    unsigned permissions = 0; // the owner, group and other bits, with the set-id and sticky bits
    std::uint32_t owner = 0;
    std::uint32_t group = 0;

    bool isRegular() const { return kind == FileKind::Regular; }
    bool isFolder() const { return kind == FileKind::Folder; }
    bool ownerMayWrite() const { return (permissions & 0200) != 0; }
};

// A name in a folder, with its kind where the listing tells it (Unknown
// otherwise). The name is the system's bytes on Linux and UTF-8 on Windows,
// whose names are UTF-16: pathText::toPath makes it the same name on both.
struct FolderEntry {
    std::string name;
    FileKind kind = FileKind::Unknown;
};

// A folder's names, "." and ".." left out, and whether the listing reached
// its end: the entries read before a failure are kept.
struct FolderListing {
    std::vector<FolderEntry> entries;
    Status end;
};

} // namespace pellora
