#pragma once

#include "platform/io/Folder.h"

#include <string_view>

namespace pellora {

// The highest serial already used in `folder` by a file whose name starts with
// `prefix` (ignoring case), any extension: the three characters after the
// prefix, read as a number. 0 when nothing qualifies. A folder that cannot be
// listed counts as one where nothing qualifies.
int FindHighestSerial(const Folder& folder, std::string_view prefix);

} // namespace pellora
