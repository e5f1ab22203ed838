#pragma once

#include "batch/BatchRun.h"
#include "cli/ConsoleHost.h"

#include <QStringList>
#include <cstdio>
#include <filesystem>

namespace pellora {

// The command-line front end: options and settings in, one batch run, an exit status out.
class CliApp {
public:
    enum ExitStatus { AllConverted = 0, SomeFailed = 1, UsageOrFolderProblem = 2 };

    CliApp(std::FILE* out, std::FILE* err, std::filesystem::path defaultSettingsFile);

    int run(const QStringList& arguments);
    // For a signal handler: ends the run at its next file.
    void requestStop();

    static int exitStatusFor(const BatchSummary& summary);

private:
    std::FILE* out_;
    std::FILE* err_;
    std::filesystem::path defaultSettingsFile_;
    ConsoleHost* host_ = nullptr;
};

} // namespace pellora
