#include "cli/CliApp.h"

#include "cli/CliOptions.h"
#include "cli/SettingsFileProblem.h"
#include "cli/Terminal.h"
#include "platform/io/FileSystem.h"
#include "platform/text/PathText.h"
#include "platform/text/VisibleName.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <cstring>
#include <thread>

namespace pellora {

namespace {

unsigned defaultJobs()
{
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 1 : threads;
}

// Before a run, help and problems alike: when even this cannot be written,
// there is nowhere left to say so, and the exit status still tells.
void print(std::FILE* stream, std::string_view text)
{
    (void)writeUtf8(stream, text);
}

} // namespace

CliApp::CliApp(std::FILE* out, std::FILE* err, std::filesystem::path defaultSettingsFile, CliMessages messages)
    : out_(out), err_(err), defaultSettingsFile_(std::move(defaultSettingsFile)), say_(messages)
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

int CliApp::exitStatusFor(const WatchSummary& summary, int stopSignal)
{
    switch (summary.end) {
    case WatchEnd::CannotWatch:
    case WatchEnd::FolderGone:
        return UsageOrFolderProblem;
    case WatchEnd::Stopped:
        return exitStatusFor(BatchSummary{BatchEnd::Stopped}, stopSignal);
    default:
        return exitStatusFor(summary.last, stopSignal);
    }
}

int CliApp::run(const std::vector<std::string>& arguments)
{
    const auto options = CliOptions::parse(arguments, say_);
    if (!options) {
        // One line, not the whole help: the reason stays in sight.
        print(err_, say_(CliText::UsageProblem, {options.error()}) + say_(CliText::TryHelp));
        return UsageOrFolderProblem;
    }
    if (options->help) {
        print(out_, say_(CliText::Usage) + say_(CliText::SettingsFileInUse, {pathText::toText(defaultSettingsFile_)}));
        return AllConverted;
    }
    if (options->version) {
        print(out_, "pellora-cli " PELLORA_VERSION "\n");
        return AllConverted;
    }

    const std::filesystem::path settingsFile =
        options->settingsFile ? pathText::toPath(*options->settingsFile) : defaultSettingsFile_;
    // The same settings the window uses, read once; the command line only reads them.
    const auto stored = IniFile(settingsFile).read();
    if (options->settingsFile) {
        if (const auto problem = settingsFileProblem(stored, say_)) {
            print(err_, say_(CliText::UsageProblem,
                             {say_(CliText::NamedSettingsFileProblem,
                                   {visibleName(std::string_view(*options->settingsFile)), *problem})}));
            return UsageOrFolderProblem;
        }
    } else if (const auto problem = defaultSettingsFileProblem(settingsFile, stored, say_)) {
        print(err_, say_(CliText::UsageProblem,
                         {say_(CliText::DefaultSettingsFileProblem, {visibleName(settingsFile), *problem})}));
    }
    Settings settings = Settings::from(stored);
    settings.overlay(*options);

    ConsoleHost host(settings, options->createOutputFolder, out_, err_, isTerminal(err_), say_);
    const RunRequest request = host.request(options->jobs == 0 ? defaultJobs() : options->jobs);
    if (options->watch)
        return watch(host, request, options->settle);
    const BatchSummary summary = BatchRun(request, host.frontEnd(), FileSystem::forFrontEnds()).run();
    return exitStatusFor(summary, host.stopSignal());
}

int CliApp::watch(ConsoleHost& host, const RunRequest& request, std::chrono::milliseconds settle)
{
    const WatchSummary summary =
        WatchRun(request, host.frontEnd(), FileSystem::forFrontEnds(), settle, stopWake_).run();
    const std::string folder = visibleName(std::string_view(request.inputFolder));
    if (summary.end == WatchEnd::CannotWatch)
        print(err_, say_(CliText::UsageProblem,
                         {say_(CliText::CannotWatch, {folder, std::strerror(summary.failure.systemError)})}));
    if (summary.end == WatchEnd::FolderGone)
        print(err_, say_(CliText::UsageProblem, {say_(CliText::WatchedFolderGone, {folder})}));
    return exitStatusFor(summary, host.stopSignal());
}

} // namespace pellora
