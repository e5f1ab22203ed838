#include "win32/QualityBar.h"

#include <algorithm>

namespace pellora::win32 {

QualityBar::QualityBar(HWND bar) : bar_(bar)
{
    // No page size: with one, the thumb could not reach the maximum.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = kMinimum;
    info.nMax = kMaximum;
    info.nPage = 0;
    info.nPos = value_;
    SetScrollInfo(bar_, SB_CTL, &info, TRUE);
}

void QualityBar::setValue(int value)
{
    value_ = std::clamp(value, kMinimum, kMaximum);
    SetScrollPos(bar_, SB_CTL, value_, TRUE);
}

std::optional<int> QualityBar::valueAfter(int request, int current, int released)
{
    int wanted = current;
    switch (request) {
    case SB_LINELEFT: wanted = current - kSmallStep; break;
    case SB_LINERIGHT: wanted = current + kSmallStep; break;
    case SB_PAGELEFT: wanted = current - kLargeStep; break;
    case SB_PAGERIGHT: wanted = current + kLargeStep; break;
    case SB_LEFT: wanted = kMinimum; break;
    case SB_RIGHT: wanted = kMaximum; break;
    case SB_THUMBPOSITION: wanted = released; break;
    default: return std::nullopt; // the thumb being dragged, or the end of an action
    }
    wanted = std::clamp(wanted, kMinimum, kMaximum);
    if (wanted == current)
        return std::nullopt;
    return wanted;
}

std::optional<int> QualityBar::scroll(int request, int position)
{
    const auto wanted = valueAfter(request, value_, position);
    if (wanted)
        setValue(*wanted);
    else if (request == SB_THUMBPOSITION)
        setValue(value_); // released where it started: the thumb goes back home
    return wanted;
}

std::optional<int> QualityBar::wheel(int delta, bool tilted)
{
    // A device may report any amount at once; more notches than the range
    // holds add nothing.
    const long long total = static_cast<long long>(wheelRemainder_) + (tilted ? -delta : delta);
    const long long notches = total / WHEEL_DELTA;
    wheelRemainder_ = static_cast<int>(total - notches * WHEEL_DELTA);
    const long long steps = std::min<long long>(notches < 0 ? -notches : notches, kMaximum - kMinimum);
    const int before = value_;
    for (long long i = 0; i < steps; ++i)
        scroll(notches > 0 ? SB_LINELEFT : SB_LINERIGHT, 0);
    if (value_ == before)
        return std::nullopt;
    return value_;
}

} // namespace pellora::win32
