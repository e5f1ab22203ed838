#include "ui/WindowBatchHost.h"

#include "platform/text/PathText.h"
#include "ui/ResultList.h"
#include "ui/UserPrompts.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <cmath>

namespace pellora {

namespace {

int checkValue(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

int wholeNumber(double value)
{
    return static_cast<int>(std::lround(value));
}

} // namespace

WindowBatchHost::WindowBatchHost(frmMain& window, UserPrompts& prompts) : window_(window), prompts_(prompts) {}

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

// Read from the label, which follows only completed scroll bar changes: a
// thumb still being dragged does not change the quality.
int WindowBatchHost::quality()
{
    return window_.lblQua->text().toInt();
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
    window_.ProgressBar->setMaximum(wholeNumber(maximum));
}

void WindowBatchHost::setProgressValue(double value)
{
    window_.ProgressBar->setValue(wholeNumber(value));
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
