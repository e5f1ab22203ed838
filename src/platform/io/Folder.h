#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/UniqueFd.h"

#include <filesystem>

namespace pellora {

// A folder opened once, for a run to work in by name through FileSystem's
// calls with a folder: a rename of the folder, or a link put where it was,
// then redirects nothing and strands nothing. Whoever borrows its descriptor
// must not outlive it.
class Folder {
public:
    Folder() = default;

    // The folder `path` names now (a link to a folder is followed, once).
    // CannotRead when there is none.
    static Expected<Folder, Failure> open(const std::filesystem::path& path);
    // The folder `name` in `parent`, never through a link.
    static Expected<Folder, Failure> openIn(const Folder& parent, const std::filesystem::path& name);

    bool valid() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }

    // Makes the names in the folder durable: 0, or minus errno.
    int sync() const;

private:
    static Expected<Folder, Failure> openAt(int parent, const std::filesystem::path& name, int flags);

    UniqueFd fd_;
    // A folder we may search but not list (no read permission) is held all
    // the same: work by name in it goes on; listing and syncing it fail as
    // they would by path.
    bool listable_ = false;
};

} // namespace pellora
