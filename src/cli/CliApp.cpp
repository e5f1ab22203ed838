#include "cli/CliApp.h"

#include "cli/CliOptions.h"
#include "cli/SettingsFileProblem.h"
#include "platform/text/PathText.h"
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

SettingsOverlay overlayOf(const CliOptions& options)
{
    return {options.inDir, options.outDir, options.prefix,
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

int CliApp::run(const std::vector<std::string>& arguments)
{
    const auto options = CliOptions::parse(arguments);
    if (!options) {
        writeUtf8(err_, "pellora-cli: " + options.error() + '\n' + CliOptions::usage());
        return UsageOrFolderProblem;
    }
    if (options->help) {
        writeUtf8(out_, CliOptions::usage() + "Settings file: " + pathText::toText(defaultSettingsFile_) + '\n');
        return AllConverted;
    }
    if (options->version) {
        writeUtf8(out_, "pellora-cli " PELLORA_VERSION "\n");
        return AllConverted;
    }

    const std::filesystem::path settingsFile =
        options->settingsFile ? pathText::toPath(*options->settingsFile) : defaultSettingsFile_;
    // The same settings the window uses, read once; the command line only reads them.
    const auto stored = IniFile(settingsFile).read();
    if (options->settingsFile) {
        if (const auto problem = settingsFileProblem(stored)) {
            writeUtf8(err_, "pellora-cli: settings file \"" + *options->settingsFile + "\" " + *problem + '\n');
            return UsageOrFolderProblem;
        }
    } else if (const auto problem = defaultSettingsFileProblem(settingsFile, stored)) {
        writeUtf8(err_, "pellora-cli: settings file \"" + pathText::toText(settingsFile) + "\" " + *problem
                            + "; using the defaults\n");
    }
    Settings settings = Settings::from(stored);
    settings.overlay(overlayOf(*options));

    ConsoleHost host(settings, options->createOutputFolder, out_, err_, ::isatty(::fileno(err_)) == 1);
    const BatchSummary summary = BatchRun(host.request(options->jobs == 0 ? defaultJobs() : options->jobs),
                                          host.frontEnd()).run();
    return exitStatusFor(summary, host.stopSignal());
}

} // namespace pellora
