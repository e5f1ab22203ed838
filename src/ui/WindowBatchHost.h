#pragma once

#include "batch/BatchHost.h"
#include "ui/Prompts.h"

namespace pellora {

class MainWindow;

// The window's side of a batch run: its controls are what the run reads and
// where it reports.
class WindowBatchHost : public BatchHost {
public:
    WindowBatchHost(MainWindow& window, const Prompts& prompts);

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
    MainWindow& window_;
    const Prompts& prompts_;
};

} // namespace pellora
