#pragma once

namespace pellora {

// The rows the JPEG encoder takes: 8 bits per channel, blue first.
enum class PixelFormat { Gray, Bgr, Bgrx };

inline int bytesPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Gray: return 1;
    case PixelFormat::Bgr: return 3;
    case PixelFormat::Bgrx: return 4;
    }
    return 4;
}

} // namespace pellora
