#pragma once

#include <cstdint>

namespace pellora {

// Pixel rows in a form TurboJPEG takes as they are.
struct PixelView {
    const std::uint8_t* data = nullptr; // the first row in memory
    int width = 0;
    int height = 0;
    int pitch = 0;       // bytes from one row in memory to the next
    int pixelFormat = 0; // a TJPF_* value: TJPF_BGRX, TJPF_BGR or TJPF_GRAY
    bool bottomUp = false; // true when the first row in memory is the bottom row of the picture
};

} // namespace pellora
