#include "ui/ResultList.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>

namespace pellora {

ResultList::ResultList(QWidget* parent) : QListWidget(parent) {}

void ResultList::appendLine(const QString& line, const QString& detail)
{
    const bool follow = showsTheEnd();
    auto* item = new QListWidgetItem(line);
    if (!detail.isEmpty())
        item->setToolTip(detail);
    addItem(item);
    // An inserted row makes the view drop the positions of all its rows and
    // rebuild them from a zero-length timer. A run lets the event loop paint
    // between files, and a paint that comes before that timer finds no rows
    // to draw: the list flashes empty. Rebuild them before anything paints.
    executeDelayedItemsLayout();
    if (follow)
        scrollToBottom();
}

bool ResultList::showsTheEnd() const
{
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() == bar->maximum();
}

void ResultList::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    // The view marks the focus on its current line only. Before a run, or
    // when no line has been made current, the mark stands where the first
    // line is or would be, as a list box on the desktop does.
    if (hasFocus() && !currentIndex().isValid())
        drawFocusWithoutCurrentLine();
}

void ResultList::drawFocusWithoutCurrentLine()
{
    QRect firstLine = count() > 0 ? visualItemRect(item(0)) : QRect();
    if (firstLine.isEmpty())
        firstLine = QRect(0, 0, viewport()->width(), fontMetrics().height() + 4);
    firstLine.setWidth(viewport()->width());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = firstLine;
    option.backgroundColor = palette().color(QPalette::Base);
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

} // namespace pellora
