#pragma once

#include "platform/Failure.h"
#include "platform/io/FileHandle.h"

#include <QString>
#include <filesystem>
#include <optional>

namespace pellora {
class FileSystem;
}

namespace pellora::modFunc {

// Appends `text` and CR LF to the log at `path` in `fs`, in code page 932. The file is
// opened and closed for every line, so each line is complete on return and
// other programs may read or move the log between two lines. A missing file
// is created; a missing folder is not. Only a regular file is written: a link
// at the log's name fails (ELOOP), anything else but a regular file is
// NotRegularFile, and neither blocks. On failure the text is not in the file,
// or not completely.
std::optional<Failure> AppendLogLine(FileSystem& fs, const QString& text, const std::filesystem::path& path);
// The same for the log `name` in the folder open as `folder` (see FileSystem).
std::optional<Failure> AppendLogLine(const QString& text, const FileHandle& folder, const std::filesystem::path& name);

// True when `path` names an existing folder, with or without a trailing separator.
bool FolderExists(const std::filesystem::path& path);

// Deletes `name` in the folder open as `folder` (see FileSystem) when it is
// there; nothing when it is gone (or never was). A read-only file (no write
// permission, as Windows marks it) stays, even for root: ReadOnly. A folder
// stays too, and every other refusal (a read-only disk, a folder the user may
// not change) is CannotDelete.
std::optional<Failure> DeleteFileIfExists(const FileHandle& folder, const std::filesystem::path& name);
// The same for a path.
std::optional<Failure> DeleteFileIfExists(FileSystem& fs, const std::filesystem::path& path);

} // namespace pellora::modFunc
