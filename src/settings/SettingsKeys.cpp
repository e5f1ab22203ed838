#include "settings/SettingsKeys.h"

#include <QDir>

namespace pellora {

namespace {

#ifdef _WIN32
QString defaultInputFolder() { return QStringLiteral("C:\\Vondrel\\Brisquel"); }
QString defaultOutputFolder() { return QStringLiteral("C:\\Vask_SS"); }
#else
// Elsewhere the game runs under a Windows compatibility layer, whose C: drive
// lives in the home folder.
QString defaultInputFolder()
{
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.wine/drive_c/Vondrel/Brisquel"));
}
QString defaultOutputFolder() { return QDir::cleanPath(QDir::homePath() + QStringLiteral("/Vask_SS")); }
#endif

std::array<SettingKey, SettingsKeys::Count> buildTable()
{
    return {{
        {"indir", defaultInputFolder()},
        {"outdir", defaultOutputFolder()},
        {"match", QStringLiteral("sshot")},
        {"quality", QStringLiteral("50")},
        {"delcheck", QStringLiteral("0")},
        {"logcheck", QStringLiteral("1")},
    }};
}

} // namespace

const std::array<SettingKey, SettingsKeys::Count>& SettingsKeys::table()
{
    static const std::array<SettingKey, Count> keys = buildTable();
    return keys;
}

} // namespace pellora
