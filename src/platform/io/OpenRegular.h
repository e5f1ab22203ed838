#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"
#include "platform/io/FileStatus.h"
#include "platform/io/OpenFlags.h"

#include <filesystem>

namespace pellora {

// A regular file, open, and what it was when opened.
struct RegularFile {
    FileHandle handle;
    FileStatus status;
};

// Opens `name`, looked up from `folder` through the folder's FileSystem, and
// keeps it only when it is a regular file: a FIFO, a device or a folder under
// a name we read or write is never a picture, a log or a settings file.
// Always non-blocking, so that a FIFO cannot hang the open itself. A failure
// of the system is `failingAs` with its error number (ELOOP for a link, with
// Open::NoFollow); anything else open there is NotRegularFile.
Expected<RegularFile, Failure> openRegular(const FileHandle& folder, const std::filesystem::path& name,
                                           OpenFlags flags, FailureCause failingAs, unsigned permissions = 0644);

} // namespace pellora
