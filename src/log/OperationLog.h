#pragma once

#include "platform/Failure.h"
#include "platform/io/FileHandle.h"

#include <filesystem>
#include <string_view>

namespace pellora {
class FileSystem;
}

// The operation log, kavlog.txt: one line per list line of each run, in code
// page 932 with CR LF, as the Windows tool writes it.
namespace pellora::operationLog {

// Appends `text` (UTF-8) and CR LF to the log at `path` in `fs`. The file is
// opened and closed for every line, so each line is complete on return and
// other programs may read or move the log between two lines. A missing file is
// created; a missing folder is not. Only a regular file is written: a link at
// the log's name fails (ELOOP), anything else but a regular file is
// NotRegularFile, and neither blocks. On failure the text is not in the file,
// or not completely.
[[nodiscard]] Status appendLine(FileSystem& fs, std::string_view text, const std::filesystem::path& path);
// The same for the log `name` in the folder open as `folder` (see FileSystem).
[[nodiscard]] Status appendLine(std::string_view text, const FileHandle& folder, const std::filesystem::path& name);

} // namespace pellora::operationLog
