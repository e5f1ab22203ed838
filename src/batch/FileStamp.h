#pragma once

#include "platform/io/FileStatus.h"

#include <cstdint>

namespace pellora {

// What tells one state of a file from the next without reading it: which
// file it is, its size and when it was last written.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;

    static FileStamp of(const FileStatus& status)
    {
        return {status.device, status.inode, status.size, status.modified.tv_sec, status.modified.tv_nsec};
    }
    bool operator==(const FileStamp&) const = default;
};

} // namespace pellora
