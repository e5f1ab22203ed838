#pragma once

#include <QString>
#include <array>

namespace pellora {

// One stored setting: its key in the settings file and its default, as text.
struct SettingKey {
    const char* key;
    QString defaultText;
};

// The six stored settings as the window's controls and the command line's
// options take them. The key table gives each its key and its default, and
// is the order in which they are read at start and written at close.
struct Settings {
    static constexpr const char* kSection = "initialize";
    // The settings file is named after it, and every message box carries it.
    static constexpr const char* kApplicationTitle = "Pellora";

    QString inDir;
    QString outDir;
    QString prefix;
    int quality = 0;
    bool deleteSources = false;
    bool log = false;

    static const std::array<SettingKey, 6>& keyTable();
    static Settings defaults();

    // Six reads in key-table order. A missing file or key gives its default,
    // and so does a stored number its control cannot take.
    static Settings load(const QString& iniPath);
    // All six in one atomic replace of the file, with the bytes six single
    // writes in key-table order would leave. True when all six reached the disk.
    bool save(const QString& iniPath) const;

    // Stored numbers are read as serials in file names are: "080", "+80",
    // "8e1" and "80.0" are all 80, and a fraction rounds half to even. Only a
    // number the control cannot hold falls back: to the key's default for the
    // quality (1 to 100), to `fallback` for an option (0 or 1).
    static int qualityFrom(const QString& stored);
    static bool optionFrom(const QString& stored, bool fallback);

    bool operator==(const Settings& other) const = default;
};

} // namespace pellora
