#pragma once

#include "batch/BatchRun.h"
#include "cli/ConsoleHost.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace pellora {

// The command-line front end: options and settings in, one batch run, an exit status out.
class CliApp {
public:
    enum ExitStatus { AllConverted = 0, SomeFailed = 1, UsageOrFolderProblem = 2 };

    CliApp(std::FILE* out, std::FILE* err, std::filesystem::path defaultSettingsFile);

    int run(const std::vector<std::string>& arguments);

    // A run that signal N stopped before its last file (`stopSignal`, see
    // ConsoleHost::stopSignal) ends with 128 + N, the status a shell shows
    // for a program that signal ended; but here every file handled is whole.
    static int exitStatusFor(const BatchSummary& summary, int stopSignal = 0);

private:
    std::FILE* out_;
    std::FILE* err_;
    std::filesystem::path defaultSettingsFile_;
};

} // namespace pellora
