#pragma once

#include "platform/TgaHeader.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pellora {

// Turns one row of raw TGA pixels into 8-bit rows TurboJPEG takes: BGR for
// 24-bit, BGRX for 32-bit, 15/16-bit and colour-mapped, GRAY for greyscale.
// Alpha is never looked at.
class TgaRowConverter {
public:
    // `colorMap` holds exactly the header's colour map bytes (empty if none).
    TgaRowConverter(const TgaHeader& header, std::span<const std::uint8_t> colorMap);

    int pixelFormat() const { return pixelFormat_; }
    int outputBytesPerPixel() const { return outputBytes_; }
    // The raw pixels already are the output; rows can go straight in place.
    bool copiesAsIs() const { return op_ == Op::Copy; }

    // Converts `width` pixels. False when a colour index has no map entry.
    bool convert(const std::uint8_t* in, std::uint8_t* out, int width) const;

private:
    enum class Op : std::uint8_t { Copy, Rgb555, GreyAlpha, Index8, Index16 };

    void buildPalette(const TgaHeader& header, std::span<const std::uint8_t> colorMap);
    bool mapIndices8(const std::uint8_t* in, std::uint8_t* out, int width) const;
    bool mapIndices16(const std::uint8_t* in, std::uint8_t* out, int width) const;

    Op op_ = Op::Copy;
    int inputBytes_ = 0;
    int outputBytes_ = 0;
    int pixelFormat_ = 0;
    // BGRX per raw index value; the X byte is 0xFF where the index has no entry.
    std::vector<std::uint32_t> palette_;
};

} // namespace pellora
