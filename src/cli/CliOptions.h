#pragma once

#include "platform/Expected.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace pellora {

// What the command line asked for. Unset values come from the settings file.
struct CliOptions {
    std::optional<QString> inDir, outDir, prefix;
    std::optional<int> quality;
    std::optional<bool> deleteSources, log;
    bool createOutputFolder = false;
    std::optional<QString> settingsFile;
    unsigned jobs = 0; // 0: every hardware thread
    bool help = false;
    bool version = false;

    // On failure, a one-line reason.
    static Expected<CliOptions, QString> parse(const QStringList& arguments);
    static QString usage();

private:
    // Each sets what the option asks for; on failure, a one-line reason.
    std::optional<QString> setFlag(const QString& option);
    std::optional<QString> setValue(const QString& option, const QString& value);
};

} // namespace pellora
