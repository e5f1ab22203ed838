#include "settings/Settings.h"

#include "platform/text/TextToInt16.h"
#include "settings/clsIniFile.h"

#include <QDir>

#include <utility>
#include <vector>

namespace pellora {

namespace {

enum Index { InDir, OutDir, Match, Quality, DelCheck, LogCheck };
using Texts = std::array<QString, 6>;

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

QString section() { return QString::fromLatin1(Settings::kSection); }
QString keyOf(Index index) { return QString::fromLatin1(Settings::keyTable()[index].key); }
const QString& defaultOf(Index index) { return Settings::keyTable()[index].defaultText; }
bool defaultOption(Index index) { return defaultOf(index) == u"1"; }

QString optionText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

Settings fromTexts(const Texts& texts)
{
    return Settings{texts[InDir],
                    texts[OutDir],
                    texts[Match],
                    Settings::qualityFrom(texts[Quality]),
                    Settings::optionFrom(texts[DelCheck], defaultOption(DelCheck)),
                    Settings::optionFrom(texts[LogCheck], defaultOption(LogCheck))};
}

} // namespace

const std::array<SettingKey, 6>& Settings::keyTable()
{
    static const std::array<SettingKey, 6> table{{
        {"indir", defaultInputFolder()},
        {"outdir", defaultOutputFolder()},
        {"match", QStringLiteral("sshot")},
        {"quality", QStringLiteral("50")},
        {"delcheck", QStringLiteral("0")},
        {"logcheck", QStringLiteral("1")},
    }};
    return table;
}

Settings Settings::defaults()
{
    Texts texts;
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = keyTable()[i].defaultText;
    return fromTexts(texts);
}

Settings Settings::load(const QString& iniPath)
{
    clsIniFile ini;
    ini.FileName(iniPath);
    Texts texts;
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = ini.GetIni(section(), keyOf(static_cast<Index>(i)), keyTable()[i].defaultText);
    return fromTexts(texts);
}

// The folders go as the boxes show them, numbers as plain decimal text.
bool Settings::save(const QString& iniPath) const
{
    const Texts texts{inDir, outDir, prefix, QString::number(quality), optionText(deleteSources), optionText(log)};
    std::vector<std::pair<QString, QString>> entries;
    for (size_t i = 0; i < texts.size(); ++i)
        entries.emplace_back(keyOf(static_cast<Index>(i)), texts[i]);
    clsIniFile ini;
    ini.FileName(iniPath);
    return ini.PutIni(section(), entries);
}

int Settings::qualityFrom(const QString& stored)
{
    const auto value = textToInt16(stored);
    if (!value || *value < 1 || *value > 100)
        return *textToInt16(defaultOf(Quality));
    return *value;
}

bool Settings::optionFrom(const QString& stored, bool fallback)
{
    const auto value = textToInt16(stored);
    if (!value || (*value != 0 && *value != 1))
        return fallback;
    return *value == 1;
}

} // namespace pellora
