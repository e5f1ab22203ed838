#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "settings/IniContents.h"
#include "settings/SettingsOverlay.h"

#include <filesystem>
#include <string>

namespace pellora {

// The six stored settings as the window's controls and the command line's
// options take them: the folders and the prefix as UTF-8 text, the quality
// from 1 to 100, the options on or off. Settings.cpp holds their one table:
// each setting's key, default, reading and writing, in the order in which
// they are read at start and written at close.
struct Settings {
    static constexpr const char* kSection = "initialize";
    // The settings file is named after it, and every message box carries it.
    static constexpr const char* kApplicationTitle = "Pellora";

    std::string inDir;
    std::string outDir;
    std::string prefix;
    int quality = 0;
    bool deleteSources = false;
    bool log = false;

    static Settings defaults();

    // One read of the file. A missing or unreadable file or key gives its
    // default, and so does a stored number its control cannot take: stored
    // numbers are read as serials in file names are ("080", "+80", "8e1" and
    // "80.0" are all 80, and a fraction rounds half to even), a quality must
    // lie in 1..100, an option be 0 or 1.
    static Settings load(const std::filesystem::path& file);
    // The same from what a read of it found; a failed read gives the defaults.
    static Settings from(const Expected<IniContents, Failure>& read);

    // All six in one rewrite of the file, folders as the boxes show them and
    // numbers as plain decimal text; the bytes are those six single writes in
    // table order would leave. Fails when one of them did not reach the disk.
    Status save(const std::filesystem::path& file) const;

    // The command line's values over these.
    void overlay(const SettingsOverlay& given);

    bool operator==(const Settings& other) const = default;
};

} // namespace pellora
