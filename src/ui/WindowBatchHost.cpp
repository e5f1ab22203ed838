#include "ui/WindowBatchHost.h"

#include "platform/text/TransitionalQString.h"
#include "ui/QualityScrollBar.h"
#include "ui/ResultList.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <cmath>

namespace pellora {

namespace {

int checkValue(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

WindowBatchHost::WindowBatchHost(frmMain& window, const Prompts& prompts) : window_(window), prompts_(prompts) {}

QString WindowBatchHost::inputFolderText()
{
    return pathText::withHomeExpanded(window_.txtInDir->text());
}

QString WindowBatchHost::outputFolderText()
{
    return pathText::withHomeExpanded(window_.txtOutDir->text());
}

QString WindowBatchHost::prefixText()
{
    return window_.txtMatch->text();
}

// What the label beside the bar shows: the bar tracks no drag, so a thumb
// still being dragged does not change the quality.
int WindowBatchHost::quality()
{
    return window_.HScroll1->value();
}

int WindowBatchHost::logOption()
{
    return checkValue(window_.chkLog);
}

int WindowBatchHost::deleteOption()
{
    return checkValue(window_.chkDel);
}

void WindowBatchHost::clearList()
{
    window_.List1->clear();
}

void WindowBatchHost::addListLine(const QString& line, const QString& detail)
{
    window_.List1->appendLine(line, detail);
}

void WindowBatchHost::setProgressMaximum(double maximum)
{
    window_.ProgressBar->setMaximum(static_cast<int>(std::lround(maximum)));
}

void WindowBatchHost::setProgressValue(double value)
{
    window_.ProgressBar->setValue(static_cast<int>(std::lround(value)));
}

void WindowBatchHost::setBusy(bool busy)
{
    if (busy)
        window_.setCursor(Qt::WaitCursor);
    else
        window_.unsetCursor();
}

void WindowBatchHost::showCritical(const QString& text)
{
    prompts_.critical(&window_, text);
}

bool WindowBatchHost::askYesNo(const QString& text)
{
    return prompts_.askYesNo(&window_, text);
}

void WindowBatchHost::focusInputFolder()
{
    window_.txtInDir->setFocus();
}

void WindowBatchHost::focusOutputFolder()
{
    window_.txtOutDir->setFocus();
}

void WindowBatchHost::focusPrefix()
{
    window_.txtMatch->setFocus();
}

void WindowBatchHost::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool WindowBatchHost::stopRequested()
{
    return window_.stopRequested_;
}

} // namespace pellora
