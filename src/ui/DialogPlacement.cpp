#include "ui/DialogPlacement.h"

#include <cmath>

namespace pellora {

QPoint DialogPlacement::centredOnScreen(const QSizeF& screen, const QSize& dialog)
{
    const double x = (screen.width() - static_cast<double>(dialog.width())) / 2.0;
    const double y = (screen.height() - static_cast<double>(dialog.height())) / 2.0;
    return QPoint(roundHalfToEven(x), roundHalfToEven(y));
}

// Spelled out rather than left to std::nearbyint, whose result depends on the
// floating-point rounding mode some other code may have changed.
int DialogPlacement::roundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5)
        rounded = below + 1.0;
    else if (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)
        rounded = below + 1.0;
    return static_cast<int>(rounded);
}

} // namespace pellora
