#pragma once

#include "platform/io/FileStatus.h"

#include <cstdint>

namespace pellora::windowsFileKind {

// What a file with these attributes and this reparse tag (0 for none) is to
// us. A reparse point that stands for another name (a symbolic link, a
// junction) is a link, never followed where a file is expected; any other
// (a file the system keeps compressed, deduplicated or in the cloud) is the
// file or folder it holds.
FileKind of(std::uint32_t attributes, std::uint32_t reparseTag);

} // namespace pellora::windowsFileKind
