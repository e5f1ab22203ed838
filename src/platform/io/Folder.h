#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"
#include "platform/io/OpenFlags.h"

#include <filesystem>

namespace pellora {

class FileSystem;

// A folder opened once, for a run to work in by name through FileSystem's
// calls with a folder: a rename of the folder, or a link put where it was,
// then redirects nothing and strands nothing. Whoever borrows its handle
// must not outlive it.
class Folder {
public:
    Folder() = default;

    // The folder `path` names now in `fs` (a link to a folder is followed,
    // once). CannotRead when there is none.
    static Expected<Folder, Failure> open(FileSystem& fs, const std::filesystem::path& path);
    // The folder `name` in `parent`, never through a link.
    static Expected<Folder, Failure> openIn(const Folder& parent, const std::filesystem::path& name);

    bool valid() const { return handle_.valid(); }
    const FileHandle& handle() const { return handle_; }
    FileSystem& fileSystem() const { return handle_.fileSystem(); }

    // Makes the names in the folder durable.
    Status sync() const;

private:
    static Expected<Folder, Failure> openAt(const FileHandle& parent, const std::filesystem::path& name,
                                            OpenFlags flags);

    FileHandle handle_;
    // A folder we may search but not list (no read permission) is held all
    // the same: work by name in it goes on; listing and syncing it fail as
    // they would by path.
    bool listable_ = false;
};

} // namespace pellora
