#pragma once

#include "batch/BatchHost.h"
#include "cli/CliMessages.h"
#include "settings/Settings.h"

#include <cstdio>

namespace pellora {

// The batch run's host on a terminal: list lines to standard output, messages
// and the details of failed files to standard error, the Yes/No question
// ("create the missing output folder?") answered by an option.
class ConsoleHost : public BatchHost {
public:
    ConsoleHost(Settings settings, bool answerYes, std::FILE* out, std::FILE* err, bool showProgress,
                CliMessages messages = CliMessages());

    QString inputFolderText() override;
    QString outputFolderText() override;
    QString prefixText() override { return QString::fromStdString(settings_.prefix); }
    int quality() override { return settings_.quality; }
    int logOption() override { return settings_.log ? 1 : 0; }
    int deleteOption() override { return settings_.deleteSources ? 1 : 0; }

    void clearList() override {}
    void addListLine(const QString& line, const QString& detail) override;
    void setProgressMaximum(double maximum) override;
    void setProgressValue(double value) override;
    void setBusy(bool) override {}
    void showCritical(const QString& text) override;
    bool askYesNo(const QString& text) override;
    void focusInputFolder() override {}
    void focusOutputFolder() override {}
    void focusPrefix() override {}
    void yield() override {}
    // After Ctrl+C, SIGTERM or SIGHUP (see StopSignals), or once nobody reads
    // the list any more.
    bool stopRequested() override;

    // Why the run was asked to stop: the signal caught, SIGPIPE when standard
    // output was closed (as when `head` has read its lines), or 0.
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
    double maximum_ = 0, value_ = 0;
    bool outputClosed_ = false;
    CliMessages say_;
};

// Writes `text` to a terminal or a pipe as UTF-8, at once: 0, or the system
// error that stopped it (EPIPE when nobody reads the pipe any more).
int writeUtf8(std::FILE* stream, const QString& text);

} // namespace pellora
