#pragma once

#include <filesystem>
#include <string>

namespace pellora {

// One file a run converts: its name in the input folder (native bytes,
// opened as they are, from the folder the run opened) and the same name as
// the list and the log show it (see visibleName: one line of UTF-8 whatever
// bytes the name holds).
struct SourceFile {
    std::filesystem::path path;
    std::string name;
};

} // namespace pellora
