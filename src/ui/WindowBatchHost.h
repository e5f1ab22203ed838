#pragma once

#include "batch/BatchHost.h"

#include <QString>

namespace pellora {

class RunController;
struct LiveRunOptions;

// The window's side of a batch run, as the run's thread sees it: what the run
// took from the window at its start, the options as the window shows them
// now, and the controller through which it reports to the window and asks the
// user.
class WindowBatchHost : public BatchHost {
public:
    // What a run takes from the window once, at its start: the boxes' texts,
    // a home folder's `~` already expanded.
    struct Start {
        QString inputFolderText;
        QString outputFolderText;
        QString prefixText;
    };

    WindowBatchHost(Start start, const LiveRunOptions& options, RunController& controller);

    QString inputFolderText() override;
    QString outputFolderText() override;
    QString prefixText() override;

    int quality() override;
    int logOption() override;
    int deleteOption() override;

    void clearList() override;
    void addListLine(const QString& line, const QString& detail) override;
    void setProgressMaximum(double maximum) override;
    void setProgressValue(double value) override;
    void setBusy(bool busy) override;

    void showCritical(const QString& text) override;
    bool askYesNo(const QString& text) override;

    void focusInputFolder() override;
    void focusOutputFolder() override;
    void focusPrefix() override;

    void yield() override;
    bool stopRequested() override;

private:
    Start start_;
    const LiveRunOptions& options_;
    RunController& controller_;
};

} // namespace pellora
