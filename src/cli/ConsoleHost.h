#pragma once

#include "cli/CliMessages.h"
#include "cli/Terminal.h"
#include "platform/Failure.h"
#include "batch/PerFileOptions.h"
#include "batch/RunControl.h"
#include "batch/RunFrontEnd.h"
#include "batch/RunReport.h"
#include "batch/RunRequest.h"
#include "batch/UserQuestions.h"
#include "settings/Settings.h"

#include <cstdio>
#include <string_view>

namespace pellora {

// A batch run's front end on a terminal: list lines to standard output,
// messages and the details of failed files to standard error, the Yes/No
// question ("create the missing output folder?") answered by an option.
class ConsoleHost : public PerFileOptions, public RunReport, public UserQuestions, public RunControl {
public:
    ConsoleHost(Settings settings, bool answerYes, std::FILE* out, std::FILE* err, bool showProgress,
                CliMessages messages = CliMessages());

    // The settings' folders and prefix, for a run of `jobs` conversions at once.
    RunRequest request(unsigned jobs) const;
    RunFrontEnd frontEnd() { return {*this, *this, *this, *this}; }

    int quality() override { return settings_.quality; }
    bool deleteSources() override { return settings_.deleteSources; }
    bool logEnabled() override { return settings_.log; }

    void addListLine(std::string_view line, std::string_view detail) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;

    void showCritical(std::string_view text) override;
    bool askYesNo(std::string_view text) override;

    // After Ctrl+C, SIGTERM or SIGHUP, or their Windows forms (see
    // StopSignals), or once nobody reads the list any more.
    bool stopRequested() override;

    // Why the run was asked to stop: the signal caught, SIGPIPE's number when
    // standard output was closed (as when `head` has read its lines), or 0.
    int stopSignal() const;

private:
    void drawProgress();
    void eraseProgress();

    Settings settings_;
    bool answerYes_;
    std::FILE* out_;
    std::FILE* err_;
    bool showProgress_;
    bool progressShown_ = false;
    int maximum_ = 0, value_ = 0;
    bool outputClosed_ = false;
    CliMessages say_;
};

} // namespace pellora
