#include "cli/CliApp.h"

#include "cli/CliOptions.h"
#include "cli/SettingsFileProblem.h"
#include "platform/text/PathText.h"
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
                            + pathText::toText(defaultSettingsFile_) + u'\n');
        return AllConverted;
    }
    if (options->version) {
        writeUtf8(out_, QStringLiteral("pellora-cli " PELLORA_VERSION "\n"));
        return AllConverted;
    }

    if (options->settingsFile) {
        if (const auto problem = settingsFileProblem(*options->settingsFile)) {
            writeUtf8(err_, QStringLiteral("pellora-cli: settings file \"%1\" %2\n").arg(*options->settingsFile, *problem));
            return UsageOrFolderProblem;
        }
    } else if (const auto problem = defaultSettingsFileProblem(pathText::toText(defaultSettingsFile_))) {
        writeUtf8(err_, QStringLiteral("pellora-cli: settings file \"%1\" %2; using the defaults\n")
                            .arg(pathText::toText(defaultSettingsFile_), *problem));
    }
    const QString settingsFile = options->settingsFile.value_or(pathText::toText(defaultSettingsFile_));
    // The same settings the window uses; the command line only reads them.
    Settings settings = Settings::load(settingsFile);
    if (options->inDir) settings.inDir = *options->inDir;
    if (options->outDir) settings.outDir = *options->outDir;
    if (options->prefix) settings.prefix = *options->prefix;
    if (options->quality) settings.quality = *options->quality;
    if (options->deleteSources) settings.deleteSources = *options->deleteSources;
    if (options->log) settings.log = *options->log;

    ConsoleHost host(settings, options->createOutputFolder, out_, err_, ::isatty(::fileno(err_)) == 1);
    const BatchSummary summary = BatchRun(host, FileSystem::forFrontEnds(), options->jobs == 0 ? defaultJobs() : options->jobs).run();
    return exitStatusFor(summary, host.stopSignal());
}

} // namespace pellora
