#pragma once

#include <QString>
#include <filesystem>

namespace pellora {

// One file a run converts: its name in the input folder (native bytes,
// opened as they are, from the folder the run opened) and the same name as
// the list and the log show it (see visibleName: one line whatever bytes the
// name holds).
struct SourceFile {
    std::filesystem::path Path;
    QString Name;
};

} // namespace pellora
