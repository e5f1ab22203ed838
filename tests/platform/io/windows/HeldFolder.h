#pragma once

#include "platform/io/Folder.h"
#include "support/TempDir.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pellora::test {

// A fresh folder that the system's backend holds open, as a run holds its
// input and output folders; names are UTF-8, as the rest of the program
// speaks them.
class HeldFolder {
public:
    HeldFolder(); // throws when the folder cannot be opened
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    const Folder& folder() const { return folder_; }
    const FileHandle& handle() const { return folder_.handle(); }
    FileSystem& fs() const { return folder_.fileSystem(); }

    // The full path of `name`, for the system's own calls.
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
    void put(const std::string& name, const std::string& bytes) const;
    std::string contentsOf(const std::string& name) const;
    bool has(const std::string& name) const;
    std::vector<std::string> names() const { return listNames(dir_.path()); }

private:
    TempDir dir_;
    Folder folder_; // closed before the folder is removed
};

} // namespace pellora::test
