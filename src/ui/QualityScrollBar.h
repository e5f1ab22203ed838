#pragma once

#include <QScrollBar>
#include <optional>

namespace pellora {

// A scroll bar that is a control of its own, not the edge of a scrolled view:
// Right and Down step up, Left and Up step down, Page Down and Page Up by the
// large step, Home and End to the ends, and each notch of the wheel acts as
// one press of an arrow button. (Qt's scroll bar turns its keys around for
// the views it usually serves.) It shows the keyboard focus on its thumb.
class QualityScrollBar : public QScrollBar {
    Q_OBJECT

public:
    explicit QualityScrollBar(QWidget* parent = nullptr);

    // What a key does to the value, or nothing for keys left to Qt.
    static std::optional<SliderAction> actionForKey(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void drawFocusOnThumb();

    // Wheel movement short of a whole notch, kept for the next event.
    int wheelRemainder_ = 0;
};

} // namespace pellora
