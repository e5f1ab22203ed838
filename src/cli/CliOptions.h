#pragma once

#include "platform/Expected.h"

#include <optional>
#include <string>
#include <vector>

namespace pellora {

// What the command line asked for. Unset values come from the settings file.
struct CliOptions {
    std::optional<std::string> inDir, outDir, prefix;
    std::optional<int> quality;
    std::optional<bool> deleteSources, log;
    bool createOutputFolder = false;
    std::optional<std::string> settingsFile;
    unsigned jobs = 0; // 0: every hardware thread
    bool help = false;
    bool version = false;

    // On failure, a one-line reason.
    static Expected<CliOptions, std::string> parse(const std::vector<std::string>& arguments);
    static std::string usage();

private:
    // Each sets what the option asks for; on failure, a one-line reason.
    std::optional<std::string> setFlag(const std::string& option);
    std::optional<std::string> setValue(const std::string& option, const std::string& value);
};

} // namespace pellora
