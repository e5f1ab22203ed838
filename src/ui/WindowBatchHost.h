#pragma once

#include "batch/PerFileOptions.h"
#include "batch/RunControl.h"
#include "batch/RunFrontEnd.h"
#include "batch/RunReport.h"
#include "batch/RunRequest.h"
#include "batch/UserQuestions.h"
#include "ui/Prompts.h"

namespace pellora {

class frmMain;

// The window's side of a batch run: its controls are what the run reads and
// where it reports.
class WindowBatchHost : public PerFileOptions, public RunReport, public UserQuestions, public RunControl {
public:
    WindowBatchHost(frmMain& window, const Prompts& prompts);

    // The folders and the prefix as the fields hold them now.
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
    frmMain& window_;
    const Prompts& prompts_;
};

} // namespace pellora
