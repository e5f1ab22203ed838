#include "settings/StoredSettings.h"

#include "settings/clsIniFile.h"

namespace pellora {

StoredSettings StoredSettings::load(const QString& iniPath)
{
    clsIniFile ini;
    ini.FileName(iniPath);
    const QString section = QString::fromLatin1(SettingsKeys::kSection);
    Texts texts;
    for (size_t i = 0; i < texts.size(); ++i) {
        const SettingKey& entry = SettingsKeys::table()[i];
        texts[i] = ini.GetIni(section, QString::fromLatin1(entry.key), entry.defaultValue);
    }
    return StoredSettings(std::move(texts));
}

bool StoredSettings::save(const QString& iniPath, const Texts& texts)
{
    clsIniFile ini;
    ini.FileName(iniPath);
    const QString section = QString::fromLatin1(SettingsKeys::kSection);
    bool allSaved = true;
    // Each key is tried even after a failure: a value that can be saved is.
    for (size_t i = 0; i < texts.size(); ++i)
        allSaved = ini.PutIni(section, QString::fromLatin1(SettingsKeys::table()[i].key), texts[i]) && allSaved;
    return allSaved;
}

} // namespace pellora
