#pragma once

#include <QPoint>
#include <QSize>
#include <QSizeF>

namespace pellora {

// Where a dialog goes so that it stands in the middle of the whole screen.
class DialogPlacement {
public:
    // Top left corner, relative to the screen's own top left corner. The
    // screen size may be fractional (a runtime that reports it in device
    // units divided by a scale); halves go to the even neighbour.
    static QPoint centredOnScreen(const QSizeF& screen, const QSize& dialog);

    static int roundHalfToEven(double value);
};

} // namespace pellora
