#pragma once

#include "platform/Failure.h"
#include "platform/io/FileSystem.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace pellora {

// Where the settings file lives, decided in this one place for the window and
// the command line. Beside the program when a settings file is there already
// or the program's folder can take one, so a copy of the program in a folder
// of its own keeps its own settings. An installed program, whose folder only
// the system may change, keeps them in the user's configuration folder: on
// Linux $XDG_CONFIG_HOME/pellora (by default ~/.config/pellora), on Windows
// %APPDATA%\Pellora.
class SettingsLocation {
public:
    enum class Place { BesideProgram, UserConfigFolder };

    // What the rule asks of the machine. Tests replace it: they run as root,
    // who may write everywhere, so permission bits cannot make a folder
    // read-only for them.
    struct Probe {
        // Anything under that name counts, a link too: it was put there on purpose.
        std::function<bool(const std::filesystem::path&)> entryExists;
        std::function<bool(const std::filesystem::path&)> folderWritable;
        // An environment variable's value (UTF-8 on Windows), or nothing.
        std::function<std::optional<std::string>(const char* name)> environment;
        // Where the account keeps its files, for a session whose environment
        // does not say: on Linux its home folder (for one without $HOME), on
        // Windows its roaming application-data folder (without %APPDATA%).
        std::function<std::filesystem::path()> accountHome;
    };

    static Probe systemProbe(); // in posix/ and windows/
    static SettingsLocation find(const std::filesystem::path& programFolder);
    static SettingsLocation find(const std::filesystem::path& programFolder, const Probe& probe);

    SettingsLocation(std::filesystem::path file, Place place);

    const std::filesystem::path& file() const { return file_; }
    Place place() const { return place_; }

    // Creates the missing folders of a file in the user's configuration folder
    // (owner only on Linux, as the XDG rules ask), so the first save can create the
    // file. Beside the program nothing is created.
    Status prepareForSaving(FileSystem& fs = FileSystem::forFrontEnds()) const;

private:
    std::filesystem::path file_;
    Place place_;
};

} // namespace pellora
