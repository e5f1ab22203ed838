#pragma once

#include "batch/SourceFile.h"
#include "platform/Expected.h"

#include <QString>
#include <filesystem>
#include <vector>

namespace pellora {

struct ListingFailure {
    int number = 0; // the system's error number
    QString text;   // what went wrong, in Japanese
};

// The regular, not hidden, files of `folder` whose names match `pattern` (ignoring case),
// sorted by name ignoring case, as Windows lists them. A failure discards the
// partial list: no list is different from an empty one.
Expected<std::vector<SourceFile>, ListingFailure> CollectSourceFiles(const std::filesystem::path& folder,
                                                                     const QString& pattern);

} // namespace pellora
