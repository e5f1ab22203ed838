#pragma once

#include <dirent.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace pellora {

// The names in a folder, read one by one, "." and ".." left out. The folder
// is `where` looked up from `folder` (a descriptor, or AT_FDCWD with a path);
// "." for the folder itself.
class FolderEntries {
public:
    struct Entry {
        std::string name;
        unsigned char type; // DT_..., DT_UNKNOWN where the file system does not say
    };

    FolderEntries(int folder, const std::filesystem::path& where);
    ~FolderEntries();
    FolderEntries(const FolderEntries&) = delete;
    FolderEntries& operator=(const FolderEntries&) = delete;

    // The next entry, or nothing at the end or on a failure (see error()).
    std::optional<Entry> next();
    // The errno of the failure that cut the listing short, or 0.
    int error() const { return error_; }

    // The entry itself is a regular file (a link is not followed).
    bool isRegularFile(const Entry& entry) const;
    // The entry is a folder, or a link to one.
    bool leadsToFolder(const Entry& entry) const;

private:
    std::optional<struct stat> statusOf(const Entry& entry, bool followLink) const;

    DIR* dir_ = nullptr;
    int error_ = 0;
};

} // namespace pellora
