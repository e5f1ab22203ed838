#pragma once

#include "platform/Failure.h"
#include "platform/io/FileHandle.h"

#include <filesystem>

namespace pellora {
class FileSystem;
}

// Chores on single files that a run needs.
namespace pellora::fileHelpers {

// Deletes `name` in the folder open as `folder` (see FileSystem) when it is
// there; nothing when it is gone (or never was). A read-only file (no write
// permission, as Windows marks it) stays, even for root: ReadOnly. A folder
// stays too, and every other refusal (a read-only disk, a folder the user may
// not change) is CannotDelete.
[[nodiscard]] Status deleteFileIfExists(const FileHandle& folder, const std::filesystem::path& name);
// The same for a path in `fs`.
[[nodiscard]] Status deleteFileIfExists(FileSystem& fs, const std::filesystem::path& path);
// The same for `name` when the caller holds it open as `file` (opened with
// Open::ToDelete) and has checked it: where the system can (Windows), the
// file goes through that very handle, once it is closed, so nobody can put
// another file under the name between the check and the delete.
[[nodiscard]] Status deleteCheckedFile(const FileHandle& folder, const std::filesystem::path& name,
                                       const FileHandle& file);

} // namespace pellora::fileHelpers
