#pragma once

#include "settings/SettingsKeys.h"

#include <QString>
#include <array>

namespace pellora {

// The six settings as texts, in key-table order, exactly as the settings file
// gives them (or their defaults). Turning them into folders, numbers and
// options is up to the window and the command line.
class StoredSettings {
public:
    using Texts = std::array<QString, SettingsKeys::Count>;

    // Six reads, in key-table order; a missing file or key gives its default.
    static StoredSettings load(const QString& iniPath);
    // Six writes, in key-table order; true when all six reached the disk.
    static bool save(const QString& iniPath, const Texts& texts);

    const QString& text(SettingsKeys::Index index) const { return texts_[index]; }
    const Texts& texts() const { return texts_; }

private:
    explicit StoredSettings(Texts texts) : texts_(std::move(texts)) {}

    Texts texts_;
};

} // namespace pellora
