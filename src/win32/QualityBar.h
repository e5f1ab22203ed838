#pragma once

#include <windows.h>

#include <optional>

namespace pellora::win32 {

// The JPEG quality's horizontal scroll bar: 1 to 100, arrows and arrow keys
// by 1, the track and Page Up/Down by 10, Home and End to the ends. A value
// changes only by a completed action: the thumb follows a drag, the value
// only its release.
class QualityBar {
public:
    static constexpr int kMinimum = 1;
    static constexpr int kMaximum = 100;
    static constexpr int kSmallStep = 1;
    static constexpr int kLargeStep = 10;

    QualityBar() = default;
    explicit QualityBar(HWND bar);

    int value() const { return value_; }
    void setValue(int value);

    // What one of the bar's WM_HSCROLL notifications does (`request` and
    // `position`, its low and high words): the new value, or nothing when
    // the value stays.
    std::optional<int> scroll(int request, int position);

    // The same decision, for a bar standing at `current` whose thumb the
    // user let go at `released`.
    static std::optional<int> valueAfter(int request, int current, int released);

    // The mouse wheel turned by `delta` (WHEEL_DELTA a notch; positive away
    // from the user, or tilted right when `tilted`): each notch is one press
    // of an arrow button, away or left down, towards or right up. Movement
    // short of a notch is kept for the next turn.
    std::optional<int> wheel(int delta, bool tilted);

private:
    HWND bar_ = nullptr;
    int value_ = kMinimum;
    int wheelRemainder_ = 0;
};

} // namespace pellora::win32
