#pragma once

#include "batch/SourceFile.h"
#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/Folder.h"

#include <string_view>
#include <vector>

namespace pellora {

// The regular, not hidden, files of `folder` whose names end in `extension`
// (".tga", in any case), sorted by name ignoring case with runs of digits as
// numbers (see NaturalOrder). A failure discards the partial list: no list is different from an empty one. On failure, CannotRead.
Expected<std::vector<SourceFile>, Failure> CollectSourceFiles(const Folder& folder, std::string_view extension);

} // namespace pellora
