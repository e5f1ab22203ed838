#pragma once

#include "platform/jpeg/PixelFormat.h"
#include "platform/tga/TgaHeader.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pellora {

// Turns one row of raw TGA pixels into a row the JPEG encoder takes, left to
// right: BGR for 24-bit, BGRX for 32-bit, 15/16-bit and colour-mapped, grey
// for greyscale. Alpha is never looked at.
class TgaRowConverter {
public:
    // `colorMap` holds exactly the header's colour map bytes (empty if none).
    TgaRowConverter(const TgaHeader& header, std::span<const std::uint8_t> colorMap);

    PixelFormat pixelFormat() const { return pixelFormat_; }
    std::size_t outputRowBytes() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(outputBytes_); }
    // The raw pixels already are the output.
    bool copiesAsIs() const { return op_ == Op::Copy; }
    // Rows stored in the file can go to the encoder as they are.
    bool rowsFitAsTheyAre() const { return copiesAsIs() && !rightToLeft_; }

    // Converts one row, mirrored when the file stores rows right to left.
    // False when a colour index has no map entry.
    bool convertRow(const std::uint8_t* in, std::uint8_t* out) const;
    // Mirrors a row of output pixels in place, when the file stores rows right to left.
    void putInOrder(std::uint8_t* row) const;

private:
    enum class Op : std::uint8_t { Copy, Rgb555, GreyAlpha, Index8, Index16 };

    void buildPalette(const TgaHeader& header, std::span<const std::uint8_t> colorMap);
    bool convert(const std::uint8_t* in, std::uint8_t* out, int width) const;
    bool mapIndices8(const std::uint8_t* in, std::uint8_t* out, int width) const;
    bool mapIndices16(const std::uint8_t* in, std::uint8_t* out, int width) const;

    Op op_ = Op::Copy;
    int width_ = 0;
    bool rightToLeft_ = false;
    int inputBytes_ = 0;
    int outputBytes_ = 0;
    PixelFormat pixelFormat_ = PixelFormat::Bgrx;
    // BGRX per raw index value; the X byte is 0xFF where the index has no entry.
    std::vector<std::uint32_t> palette_;
};

} // namespace pellora
