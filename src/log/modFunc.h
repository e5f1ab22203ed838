#pragma once

#include <QString>
#include <filesystem>

namespace pellora::modFunc {

// Appends `text` and CR LF to the log at `path`, in code page 932. The file is
// opened and closed for every line, so each line is complete on return and
// other programs may read or move the log between two lines. A missing file
// is created; a missing folder is not. Only a regular file is written: a link
// at the log's name fails with ELOOP, anything else but a regular file with
// EISDIR, and neither blocks. Returns 0, or the errno of the failure (the text
// is then not in the file, or not completely).
int AppendLogLine(const QString& text, const std::filesystem::path& path);

// True when `path` names an existing folder, with or without a trailing separator.
bool FolderExists(const std::filesystem::path& path);

// Deletes the file at `path` when it is there. Quiet about every failure. A
// read-only file (no write permission, as Windows marks it) stays, even for root.
void DeleteFileIfExists(const std::filesystem::path& path);

} // namespace pellora::modFunc
