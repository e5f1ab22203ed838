#include "win32/WindowBatchHost.h"

#include "batch/LiveRunOptions.h"
#include "win32/RunView.h"
#include "win32/WideText.h"
#include "win32/WindowRunController.h"

namespace pellora::win32 {

WindowBatchHost::WindowBatchHost(Start start, const LiveRunOptions& options, WindowRunController& controller)
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

bool WindowBatchHost::deleteSources()
{
    return options_.deleteSources;
}

bool WindowBatchHost::logEnabled()
{
    return options_.log;
}

void WindowBatchHost::clearList()
{
    controller_.show([](RunView& view) { view.clearList(); });
}

void WindowBatchHost::addListLine(std::string_view line, std::string_view detail)
{
    controller_.show([line = wideText::fromUtf8(line), detail = wideText::fromUtf8(detail)](RunView& view) {
        view.addLine(line, detail);
    });
}

void WindowBatchHost::setProgressMaximum(int maximum)
{
    controller_.show([maximum](RunView& view) { view.setProgressMaximum(maximum); });
}

void WindowBatchHost::setProgressValue(int value)
{
    controller_.show([value](RunView& view) { view.setProgressValue(value); });
}

void WindowBatchHost::setBusy(bool busy)
{
    controller_.show([busy](RunView& view) { view.showBusy(busy); });
}

void WindowBatchHost::showCritical(std::string_view text)
{
    controller_.ask(
        [text = wideText::fromUtf8(text)](RunView& view) {
            view.showCritical(text);
            return true;
        },
        true);
}

bool WindowBatchHost::askYesNo(std::string_view text)
{
    return controller_.ask([text = wideText::fromUtf8(text)](RunView& view) { return view.askYesNo(text); }, false);
}

void WindowBatchHost::focus(Field field)
{
    controller_.show([field](RunView& view) { view.focusBox(field); });
}

// The run no longer holds the window's thread, but it still waits here, once
// per file, until the window has shown what it sent and taken in what the
// user did meanwhile: an option changed after a line is read for the next
// file, and a close stops the run at its next file.
void WindowBatchHost::yield()
{
    controller_.waitForWindow();
}

bool WindowBatchHost::stopRequested()
{
    return controller_.stopRequested();
}

} // namespace pellora::win32
