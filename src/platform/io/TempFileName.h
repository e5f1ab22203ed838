#pragma once

#include <filesystem>
#include <string>

namespace pellora {

// Names of our temporary files: hidden, recognisable, never a name the user's
// files or our serial names could have. A killed run leaves them behind; the
// next run removes the ones no live writer holds (see TempFileSweeper).
class TempFileName {
public:
    static std::filesystem::path next(const std::filesystem::path& folder);
    static bool isOurs(const std::string& name);
};

} // namespace pellora
