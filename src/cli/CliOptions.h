#pragma once

#include "cli/CliMessages.h"
#include "platform/Expected.h"
#include "settings/SettingsOverlay.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pellora {

// What the command line asked for: the stored settings it overrides (unset
// ones come from the settings file) and the options of the command line alone.
// Text is UTF-8, or the bytes given when they are not.
struct CliOptions : SettingsOverlay {
    bool createOutputFolder = false;
    std::optional<std::string> settingsFile;
    unsigned jobs = 0; // 0: every hardware thread
    bool watch = false;
    std::chrono::milliseconds settle{1000}; // with watch: how long a closed file must stay as it is
    bool help = false;
    bool version = false;

    // The arguments after the program's name. On failure, a one-line reason
    // in the language of `messages`: the first problem in the order given.
    static Expected<CliOptions, std::string> parse(const std::vector<std::string>& arguments,
                                                   const CliMessages& messages = CliMessages());
};

} // namespace pellora
