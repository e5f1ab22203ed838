#include "ui/WindowBatchHost.h"

#include "platform/text/PathText.h"
#include "ui/QualityScrollBar.h"
#include "ui/ResultList.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>

namespace pellora {

namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string expandedText(const QLineEdit* field)
{
    return pathText::withHomeExpanded(field->text().toStdString());
}

} // namespace

WindowBatchHost::WindowBatchHost(frmMain& window, const Prompts& prompts) : window_(window), prompts_(prompts) {}

RunRequest WindowBatchHost::request(unsigned jobs) const
{
    return {expandedText(window_.txtInDir), expandedText(window_.txtOutDir), window_.txtMatch->text().toStdString(),
            jobs};
}

// What the label beside the bar shows: the bar tracks no drag, so a thumb
// still being dragged does not change the quality.
int WindowBatchHost::quality()
{
    return window_.HScroll1->value();
}

bool WindowBatchHost::logEnabled()
{
    return window_.chkLog->isChecked();
}

bool WindowBatchHost::deleteSources()
{
    return window_.chkDel->isChecked();
}

void WindowBatchHost::clearList()
{
    window_.List1->clear();
}

void WindowBatchHost::addListLine(std::string_view line, std::string_view detail)
{
    window_.List1->appendLine(toQString(line), toQString(detail));
}

void WindowBatchHost::setProgressMaximum(int maximum)
{
    window_.ProgressBar->setMaximum(maximum);
}

void WindowBatchHost::setProgressValue(int value)
{
    window_.ProgressBar->setValue(value);
}

void WindowBatchHost::setBusy(bool busy)
{
    if (busy)
        window_.setCursor(Qt::WaitCursor);
    else
        window_.unsetCursor();
}

void WindowBatchHost::showCritical(std::string_view text)
{
    prompts_.critical(&window_, toQString(text));
}

bool WindowBatchHost::askYesNo(std::string_view text)
{
    return prompts_.askYesNo(&window_, toQString(text));
}

void WindowBatchHost::focus(Field field)
{
    switch (field) {
    case Field::InputFolder: window_.txtInDir->setFocus(); break;
    case Field::OutputFolder: window_.txtOutDir->setFocus(); break;
    case Field::Prefix: window_.txtMatch->setFocus(); break;
    }
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
