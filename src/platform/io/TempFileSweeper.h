#pragma once

#include <filesystem>

namespace pellora {

// Removes what an interrupted run left in a folder: temporary files, and the
// names a run was reserving (see NameReservation). Only names of our own
// pattern, only regular files, and only when no live writer holds the file's
// lock (another run may be writing into the same folder now).
class TempFileSweeper {
public:
    // How many files were removed.
    static int sweep(const std::filesystem::path& folder);
};

} // namespace pellora
