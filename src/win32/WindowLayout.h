#pragma once

#include "win32/WindowDesign.h"

namespace pellora::win32 {

struct PixelRect {
    int left, top, width, height;
    bool operator==(const PixelRect&) const = default;
};

// The design in pixels for a monitor's DPI: 15 twips to the pixel at 96 DPI,
// scaled linearly above. Each edge is rounded on its own, so controls that
// meet in the design still meet, and the progress bar still reaches the
// bottom edge of the client area, at any scale.
class WindowLayout {
public:
    static constexpr int kTwipsPerInch = 1440;
    static constexpr unsigned kDesignDpi = 96;

    explicit WindowLayout(unsigned dpi);

    unsigned dpi() const { return dpi_; }
    int pixels(int twips) const;
    PixelRect place(const windowDesign::TwipRect& twips) const;
    PixelRect place(windowDesign::Control control) const;
    // Width and height of the client area.
    PixelRect clientArea() const { return place(windowDesign::kClientArea); }
    // A length given in pixels at 96 DPI, at this DPI.
    int scaled(int designPixels) const;

private:
    unsigned dpi_;
};

} // namespace pellora::win32
