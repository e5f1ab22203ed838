#include "ui/QualityScrollBar.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <algorithm>

namespace pellora {

namespace {

// One notch of an ordinary mouse wheel, in the units of QWheelEvent::angleDelta.
constexpr int kWheelNotch = 120;

} // namespace

QualityScrollBar::QualityScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

std::optional<QAbstractSlider::SliderAction> QualityScrollBar::actionForKey(int key)
{
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        return SliderSingleStepAdd;
    case Qt::Key_Left:
    case Qt::Key_Up:
        return SliderSingleStepSub;
    case Qt::Key_PageDown:
        return SliderPageStepAdd;
    case Qt::Key_PageUp:
        return SliderPageStepSub;
    case Qt::Key_Home:
        return SliderToMinimum;
    case Qt::Key_End:
        return SliderToMaximum;
    default:
        return std::nullopt;
    }
}

void QualityScrollBar::keyPressEvent(QKeyEvent* event)
{
    const auto action = actionForKey(event->key());
    if (!action) {
        QScrollBar::keyPressEvent(event);
        return;
    }
    triggerAction(*action);
    event->accept();
}

// Turning the wheel away from the user (or tilting it left) is the left
// arrow button, towards the user (or right) the right one. A device may
// report any amount at once; more notches than the range holds add nothing.
void QualityScrollBar::wheelEvent(QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    const qint64 total = qint64(wheelRemainder_) + (angle.y() != 0 ? angle.y() : angle.x());
    const qint64 notches = total / kWheelNotch;
    wheelRemainder_ = static_cast<int>(total - notches * kWheelNotch);
    const qint64 steps = std::min<qint64>(notches < 0 ? -notches : notches, qint64(maximum()) - minimum());
    for (qint64 i = 0; i < steps; ++i)
        triggerAction(notches > 0 ? SliderSingleStepSub : SliderSingleStepAdd);
    event->accept();
}

void QualityScrollBar::paintEvent(QPaintEvent* event)
{
    QScrollBar::paintEvent(event);
    if (hasFocus())
        drawFocusOnThumb();
}

// Drawn by the style, so it looks, and shows or stays hidden, as the focus
// of the buttons and check boxes does.
void QualityScrollBar::drawFocusOnThumb()
{
    QStyleOptionSlider slider;
    initStyleOption(&slider);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = style()->subControlRect(QStyle::CC_ScrollBar, &slider, QStyle::SC_ScrollBarSlider, this);
    focus.backgroundColor = palette().color(QPalette::Button);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

} // namespace pellora
