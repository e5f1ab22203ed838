#include "ui/WindowBatchHost.h"

#include "platform/text/TransitionalQString.h"
#include "ui/LiveRunOptions.h"
#include "ui/RunController.h"

#include <cmath>

namespace pellora {

namespace {

// The run's options are on only when exactly 1.
int optionValue(bool on)
{
    return on ? 1 : 0;
}

int progressValue(double value)
{
    return static_cast<int>(std::lround(value));
}

} // namespace

WindowBatchHost::WindowBatchHost(Start start, const LiveRunOptions& options, RunController& controller)
    : start_(std::move(start)), options_(options), controller_(controller)
{
}

QString WindowBatchHost::inputFolderText()
{
    return start_.inputFolderText;
}

QString WindowBatchHost::outputFolderText()
{
    return start_.outputFolderText;
}

QString WindowBatchHost::prefixText()
{
    return start_.prefixText;
}

int WindowBatchHost::quality()
{
    return options_.quality;
}

int WindowBatchHost::logOption()
{
    return optionValue(options_.log);
}

int WindowBatchHost::deleteOption()
{
    return optionValue(options_.deleteSources);
}

void WindowBatchHost::clearList()
{
    Q_EMIT controller_.listCleared();
}

void WindowBatchHost::addListLine(const QString& line, const QString& detail)
{
    Q_EMIT controller_.lineAdded(line, detail);
}

void WindowBatchHost::setProgressMaximum(double maximum)
{
    Q_EMIT controller_.progressMaximumChanged(progressValue(maximum));
}

void WindowBatchHost::setProgressValue(double value)
{
    Q_EMIT controller_.progressChanged(progressValue(value));
}

void WindowBatchHost::setBusy(bool busy)
{
    Q_EMIT controller_.busyChanged(busy);
}

void WindowBatchHost::showCritical(const QString& text)
{
    controller_.showCritical(text);
}

bool WindowBatchHost::askYesNo(const QString& text)
{
    return controller_.askYesNo(text);
}

void WindowBatchHost::focusInputFolder()
{
    Q_EMIT controller_.focusRequested(RunController::Box::InputFolder);
}

void WindowBatchHost::focusOutputFolder()
{
    Q_EMIT controller_.focusRequested(RunController::Box::OutputFolder);
}

void WindowBatchHost::focusPrefix()
{
    Q_EMIT controller_.focusRequested(RunController::Box::Prefix);
}

// The run no longer holds the window's thread, but it still waits here, once
// per file, until the window has shown what it sent and taken in what the
// user did meanwhile: an option changed after a line is read for the next
// file, and a close stops the run at its next file, as the README promises.
void WindowBatchHost::yield()
{
    controller_.waitForWindow();
}

bool WindowBatchHost::stopRequested()
{
    return controller_.stopRequested();
}

} // namespace pellora
