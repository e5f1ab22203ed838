#include "ui/WindowBatchHost.h"

#include "batch/LiveRunOptions.h"
#include "ui/RunController.h"

#include <QString>

namespace pellora {

namespace {

QString textOf(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

RunController::Box boxOf(UserQuestions::Field field)
{
    switch (field) {
    case UserQuestions::Field::InputFolder: return RunController::Box::InputFolder;
    case UserQuestions::Field::OutputFolder: return RunController::Box::OutputFolder;
    case UserQuestions::Field::Prefix: break;
    }
    return RunController::Box::Prefix;
}

} // namespace

WindowBatchHost::WindowBatchHost(Start start, const LiveRunOptions& options, RunController& controller)
    : start_(std::move(start)), options_(options), controller_(controller)
{
}

RunRequest WindowBatchHost::request(unsigned jobs) const
{
    return RunRequest{start_.inputFolder, start_.outputFolder, start_.prefix, jobs};
}

int WindowBatchHost::quality()
{
    return options_.quality;
}

bool WindowBatchHost::logEnabled()
{
    return options_.log;
}

bool WindowBatchHost::deleteSources()
{
    return options_.deleteSources;
}

void WindowBatchHost::clearList()
{
    Q_EMIT controller_.listCleared();
}

void WindowBatchHost::addListLine(std::string_view line, std::string_view detail)
{
    Q_EMIT controller_.lineAdded(textOf(line), textOf(detail));
}

void WindowBatchHost::setProgressMaximum(int maximum)
{
    Q_EMIT controller_.progressMaximumChanged(maximum);
}

void WindowBatchHost::setProgressValue(int value)
{
    Q_EMIT controller_.progressChanged(value);
}

void WindowBatchHost::setBusy(bool busy)
{
    Q_EMIT controller_.busyChanged(busy);
}

void WindowBatchHost::showCritical(std::string_view text)
{
    controller_.showCritical(textOf(text));
}

bool WindowBatchHost::askYesNo(std::string_view text)
{
    return controller_.askYesNo(textOf(text));
}

void WindowBatchHost::focus(Field field)
{
    Q_EMIT controller_.focusRequested(boxOf(field));
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
