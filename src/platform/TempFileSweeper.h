#pragma once

#include <filesystem>

namespace pellora {

// Removes what an interrupted run left in a folder: temporary files, and name
// reservations (see NameReservation). Only names of our own pattern or
// pictures' names, only regular files, only when no live writer holds the
// file's lock (another run may be writing into the same folder now), and a
// reservation only when it holds nothing but our marker.
class TempFileSweeper {
public:
    // How many files were removed.
    static int sweep(const std::filesystem::path& folder);
};

} // namespace pellora
