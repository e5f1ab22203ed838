#pragma once

#include "batch/BatchRun.h"
#include "batch/WatchRun.h"
#include "cli/CliMessages.h"
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

    // What the command line says itself, it says in the language of `messages`.
    CliApp(std::FILE* out, std::FILE* err, std::filesystem::path defaultSettingsFile,
           CliMessages messages = CliMessages());

    // The arguments after the program's name.
    int run(const std::vector<std::string>& arguments);

    // A run that signal N stopped before its last file (`stopSignal`, see
    // ConsoleHost::stopSignal) ends with 128 + N, the status a shell shows
    // for a program that signal ended; but here every file handled is whole.
    static int exitStatusFor(const BatchSummary& summary, int stopSignal = 0);
    // A watch ends by a signal (128 + N), as its first run or a batch ended
    // when they could not go on, or with 2 when the folder could not be watched.
    static int exitStatusFor(const WatchSummary& summary, int stopSignal = 0);

    // What a watch polls beside the folder, readable once a stop signal came
    // (StopSignals' pipe); without it, a watch looks at the signals twice a second.
    void setStopWake(NativeHandle wake) { stopWake_ = wake; }

private:
    int watch(ConsoleHost& host, const RunRequest& request, std::chrono::milliseconds settle);

    std::FILE* out_;
    std::FILE* err_;
    std::filesystem::path defaultSettingsFile_;
    CliMessages say_;
    NativeHandle stopWake_ = kNoNativeHandle;
};

} // namespace pellora
