#include "ui/WindowBatchHost.h"

#include "platform/text/PathText.h"
#include "ui/QualityScrollBar.h"
#include "ui/ResultList.h"
#include "ui/MainWindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <cmath>

namespace pellora {

namespace {

// The run's options are on only when exactly 1.
int optionValue(bool on)
{
    return on ? 1 : 0;
}

} // namespace

WindowBatchHost::WindowBatchHost(MainWindow& window, const Prompts& prompts) : window_(window), prompts_(prompts) {}

QString WindowBatchHost::inputFolderText()
{
    return pathText::withHomeExpanded(window_.inputFolderBox_->text());
}

QString WindowBatchHost::outputFolderText()
{
    return pathText::withHomeExpanded(window_.outputFolderBox_->text());
}

QString WindowBatchHost::prefixText()
{
    return window_.prefixBox_->text();
}

// What the label beside the bar shows: the bar tracks no drag, so a thumb
// still being dragged does not change the quality.
int WindowBatchHost::quality()
{
    return window_.qualityBar_->value();
}

int WindowBatchHost::logOption()
{
    return optionValue(window_.logCheck_->isChecked());
}

int WindowBatchHost::deleteOption()
{
    return optionValue(window_.deleteSourcesCheck_->isChecked());
}

void WindowBatchHost::clearList()
{
    window_.resultList_->clear();
}

void WindowBatchHost::addListLine(const QString& line, const QString& detail)
{
    window_.resultList_->appendLine(line, detail);
}

void WindowBatchHost::setProgressMaximum(double maximum)
{
    window_.progressBar_->setMaximum(static_cast<int>(std::lround(maximum)));
}

void WindowBatchHost::setProgressValue(double value)
{
    window_.progressBar_->setValue(static_cast<int>(std::lround(value)));
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
    window_.inputFolderBox_->setFocus();
}

void WindowBatchHost::focusOutputFolder()
{
    window_.outputFolderBox_->setFocus();
}

void WindowBatchHost::focusPrefix()
{
    window_.prefixBox_->setFocus();
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
