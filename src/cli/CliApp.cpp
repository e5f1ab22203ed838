#include "cli/CliApp.h"

#include "cli/CliOptions.h"
#include "cli/SettingsFileProblem.h"
#include "platform/text/PathText.h"
#include "platform/text/TransitionalQString.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <thread>
#include <unistd.h>

namespace pellora {

namespace {

unsigned defaultJobs()
{
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 1 : threads;
}

std::optional<std::string> utf8Of(const std::optional<QString>& text)
{
    return text ? std::optional(text->toStdString()) : std::nullopt;
}

SettingsOverlay overlayOf(const CliOptions& options)
{
    return {utf8Of(options.inDir), utf8Of(options.outDir), utf8Of(options.prefix),
            options.quality, options.deleteSources, options.log};
}

} // namespace

CliApp::CliApp(std::FILE* out, std::FILE* err, std::filesystem::path defaultSettingsFile)
    : out_(out), err_(err), defaultSettingsFile_(std::move(defaultSettingsFile))
{
}

int CliApp::exitStatusFor(const BatchSummary& summary, int stopSignal)
{
    if (summary.end == BatchEnd::Stopped && stopSignal > 0)
        return 128 + stopSignal;
    switch (summary.end) {
    case BatchEnd::Completed:
    case BatchEnd::NoSourceFiles:
        // A TGA kept against the delete option would be converted again by every later run.
        return summary.failed == 0 && summary.sourcesKept == 0 ? AllConverted : SomeFailed;
    case BatchEnd::SerialLimit:
    case BatchEnd::Stopped:
    case BatchEnd::Unexpected:
        return SomeFailed;
    default:
        return UsageOrFolderProblem;
    }
}

int CliApp::run(const QStringList& arguments)
{
    const auto options = CliOptions::parse(arguments);
    if (!options) {
        writeUtf8(err_, QStringLiteral("pellora-cli: ") + options.error() + u'\n' + CliOptions::usage());
        return UsageOrFolderProblem;
    }
    if (options->help) {
        writeUtf8(out_, CliOptions::usage() + QStringLiteral("Settings file: ")
                            + QString::fromStdString(pathText::toText(defaultSettingsFile_)) + u'\n');
        return AllConverted;
    }
    if (options->version) {
        writeUtf8(out_, QStringLiteral("pellora-cli " PELLORA_VERSION "\n"));
        return AllConverted;
    }

    const std::filesystem::path settingsFile =
        options->settingsFile ? pathText::toPath(*options->settingsFile) : defaultSettingsFile_;
    // The same settings the window uses, read once; the command line only reads them.
    const auto stored = IniFile(settingsFile).read();
    if (options->settingsFile) {
        if (const auto problem = settingsFileProblem(stored)) {
            writeUtf8(err_, QStringLiteral("pellora-cli: settings file \"%1\" %2\n")
                                .arg(*options->settingsFile, QString::fromStdString(*problem)));
            return UsageOrFolderProblem;
        }
    } else if (const auto problem = defaultSettingsFileProblem(settingsFile, stored)) {
        writeUtf8(err_, QStringLiteral("pellora-cli: settings file \"%1\" %2; using the defaults\n")
                            .arg(QString::fromStdString(pathText::toText(settingsFile)), QString::fromStdString(*problem)));
    }
    Settings settings = Settings::from(stored);
    settings.overlay(overlayOf(*options));

    ConsoleHost host(settings, options->createOutputFolder, out_, err_, ::isatty(::fileno(err_)) == 1);
    const BatchSummary summary = BatchRun(host, options->jobs == 0 ? defaultJobs() : options->jobs).run();
    return exitStatusFor(summary, host.stopSignal());
}

} // namespace pellora
