#pragma once

#include "platform/io/FileHandle.h"
#include "platform/io/FileStatus.h"

#include <cstddef>
#include <filesystem>
#include <optional>

namespace pellora {

// The names in a folder, read one by one, "." and ".." left out. The folder
// is `where` looked up from `folder` (see FileSystem); "." for the folder
// itself. The folder must outlive the listing.
class FolderEntries {
public:
    using Entry = FolderEntry;

    FolderEntries(const FileHandle& folder, const std::filesystem::path& where);

    // The next entry, or nothing at the end or on a failure (see error()).
    std::optional<Entry> next();
    // The error number of the failure that cut the listing short, or 0.
    int error() const;

    // The entry itself is a regular file (a link is not followed).
    bool isRegularFile(const Entry& entry) const;
    // The entry is a folder, or a link to one.
    bool leadsToFolder(const Entry& entry) const;

private:
    std::optional<FileKind> kindOf(const Entry& entry, bool followLink) const;

    const FileHandle& folder_;
    std::filesystem::path where_;
    FolderListing listing_;
    std::size_t next_ = 0;
};

} // namespace pellora
