#include "win32/WindowLayout.h"

#include <cstdint>

namespace pellora::win32 {

namespace {

// Halves away from zero, as MulDiv does; the design's values are positive.
int scale(int value, unsigned numerator, unsigned denominator)
{
    const std::int64_t product = std::int64_t(value) * numerator;
    return static_cast<int>((product + denominator / 2) / denominator);
}

} // namespace

WindowLayout::WindowLayout(unsigned dpi) : dpi_(dpi == 0 ? kDesignDpi : dpi) {}

int WindowLayout::pixels(int twips) const
{
    return scale(twips, dpi_, kTwipsPerInch);
}

int WindowLayout::scaled(int designPixels) const
{
    return scale(designPixels, dpi_, kDesignDpi);
}

PixelRect WindowLayout::place(const windowDesign::TwipRect& twips) const
{
    const int left = pixels(twips.left);
    const int top = pixels(twips.top);
    return PixelRect{left, top, pixels(twips.left + twips.width) - left, pixels(twips.top + twips.height) - top};
}

PixelRect WindowLayout::place(windowDesign::Control control) const
{
    return place(windowDesign::row(control).place);
}

} // namespace pellora::win32
