#pragma once

#include <optional>
#include <string>

namespace pellora {

// Values the command line gives for the stored settings; each one left unset
// keeps what the settings file says (Settings::overlay).
struct SettingsOverlay {
    std::optional<std::string> inDir, outDir, prefix;
    std::optional<int> quality;
    std::optional<bool> deleteSources, log;
};

} // namespace pellora
