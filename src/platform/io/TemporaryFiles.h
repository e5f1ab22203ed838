#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"

#include <filesystem>
#include <string>

namespace pellora {
class FileSystem;
class Folder;
}

// Our temporary files: hidden, recognisable, never a name the user's files or
// our serial names could have. Whoever writes one holds a lock on it for as
// long as it may be needed; a killed process leaves it behind unlocked, and
// the next sweep of its folder removes it.
//
// A file is ours only once we hold its lock. Until then a sweep (of another
// run, or of a settings save into the same folder) may take it for one a
// killed writer left, lock it and remove it.
//
// Names are looked up from a folder's handle, or from the working folder as
// paths (see FileSystem).
namespace pellora::temporaryFiles {

// A fresh name for one in `folder`.
std::filesystem::path nameIn(const std::filesystem::path& folder);
// The folder a file named `path` goes in: "." for a bare name.
std::filesystem::path folderOf(const std::filesystem::path& path);
bool isOurs(const std::string& name);

// One of ours, open for writing, its lock held.
struct Created {
    FileHandle file;
    std::filesystem::path path; // as it was created: looked up from the same folder
};

// Creates a temporary file of ours in `where`, looked up from `folder`, with
// `permissions` (less the umask), and locks it: one step, as far as anyone
// else can tell. A file a sweeper took meanwhile is left to the sweeper and
// another name is tried. Failures: CannotCreate, EWOULDBLOCK when sweepers
// took every new file.
Expected<Created, Failure> createLocked(const FileHandle& folder, const std::filesystem::path& where,
                                        unsigned permissions);

// Locks `file`, which we just created exclusively as `name` in `folder`, and
// makes sure the name still leads to it: ours then; EWOULDBLOCK when a
// sweeper has it or has removed it (that sweeper removes it: never we).
// Where the file system offers no locks at all, no sweeper can take it
// either, and it is ours at once.
Status lockAsOurs(const FileHandle& file, const FileHandle& folder, const std::filesystem::path& name);

// Removes what interrupted writers left in `folder`: temporary files, and the
// names a run was reserving (see NameReservation). Only names of our own
// pattern, only regular files, and only when no live writer holds the file's
// lock (another run may be writing into the same folder now). How many files
// were removed.
int sweep(FileSystem& fs, const std::filesystem::path& folder);
int sweep(const Folder& folder);

} // namespace pellora::temporaryFiles
