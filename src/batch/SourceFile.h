#pragma once

#include <QString>
#include <filesystem>

namespace pellora {

// One file a run converts: its full path (native bytes, opened as they are)
// and its bare name as the list and the log show it (see visibleName: one
// line whatever bytes the name holds).
struct SourceFile {
    std::filesystem::path Path;
    QString Name;
};

} // namespace pellora
