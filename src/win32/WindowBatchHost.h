#pragma once

#include "batch/PerFileOptions.h"
#include "batch/RunControl.h"
#include "batch/RunFrontEnd.h"
#include "batch/RunReport.h"
#include "batch/RunRequest.h"
#include "batch/UserQuestions.h"

#include <string>

namespace pellora {
struct LiveRunOptions;
}

namespace pellora::win32 {

class WindowRunController;

// The window's side of a batch run, as the run's thread sees it: what the run
// took from the window at its start, the options as the window shows them
// now, and the controller through which it reports to the window and asks the
// user.
class WindowBatchHost : public PerFileOptions, public RunReport, public UserQuestions, public RunControl {
public:
    // What a run takes from the window once, at its start: the boxes' texts
    // in UTF-8.
    struct Start {
        std::string inputFolder;
        std::string outputFolder;
        std::string prefix;
    };

    WindowBatchHost(Start start, const LiveRunOptions& options, WindowRunController& controller);

    RunRequest request(unsigned jobs) const;
    RunFrontEnd frontEnd() { return {*this, *this, *this, *this}; }

    int quality() override;
    bool deleteSources() override;
    bool logEnabled() override;

    void clearList() override;
    void addListLine(std::string_view line, std::string_view detail) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setBusy(bool busy) override;

    void showCritical(std::string_view text) override;
    bool askYesNo(std::string_view text) override;
    void focus(Field field) override;

    void yield() override;
    bool stopRequested() override;

private:
    Start start_;
    const LiveRunOptions& options_;
    WindowRunController& controller_;
};

} // namespace pellora::win32
