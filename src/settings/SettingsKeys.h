#pragma once

#include <QString>
#include <array>

namespace pellora {

// One stored setting: its key in the settings file and its default.
struct SettingKey {
    const char* key;
    QString defaultValue;
};

// The six settings in the order they are read at start and written at close.
// Everything that reads or writes the settings file takes keys and defaults
// from here.
class SettingsKeys {
public:
    static constexpr const char* kSection = "initialize";
    static constexpr const char* kApplicationTitle = "Pellora";

    enum Index { InDir, OutDir, Match, Quality, DelCheck, LogCheck, Count };

    static const std::array<SettingKey, Count>& table();
    static const SettingKey& at(Index index) { return table()[index]; }
};

} // namespace pellora
