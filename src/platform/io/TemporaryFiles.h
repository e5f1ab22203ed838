#pragma once

#include <filesystem>
#include <string>

// Our temporary files: hidden, recognisable, never a name the user's files or
// our serial names could have. Whoever writes one holds a lock on it for as
// long as it may be needed; a killed process leaves it behind unlocked, and
// the next sweep of its folder removes it.
namespace pellora::temporaryFiles {

// A fresh name for one in `folder`.
std::filesystem::path nameIn(const std::filesystem::path& folder);
// The folder a file named `path` goes in: "." for a bare name.
std::filesystem::path folderOf(const std::filesystem::path& path);
bool isOurs(const std::string& name);

// Removes what interrupted writers left in `folder`: temporary files, and the
// names a run was reserving (see NameReservation). Only names of our own
// pattern, only regular files, and only when no live writer holds the file's
// lock (another run may be writing into the same folder now). How many files
// were removed.
int sweep(const std::filesystem::path& folder);

} // namespace pellora::temporaryFiles
