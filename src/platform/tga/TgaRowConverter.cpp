#include "platform/tga/TgaRowConverter.h"

#include <algorithm>
#include <cstring>

namespace pellora {

namespace {

constexpr std::uint8_t kNoEntry = 0xFF;

std::uint8_t widen5(unsigned v)
{
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

void writeRgb555(const std::uint8_t* in, std::uint8_t* out)
{
    unsigned v = in[0] | (in[1] << 8);
    out[0] = widen5(v & 31);
    out[1] = widen5((v >> 5) & 31);
    out[2] = widen5((v >> 10) & 31);
    out[3] = 0;
}

std::uint32_t packBgrx(const std::uint8_t* bgrx)
{
    std::uint32_t packed;
    std::memcpy(&packed, bgrx, 4);
    return packed;
}

// One colour map entry as BGRX with X cleared.
std::uint32_t mapEntry(const std::uint8_t* entry, int entryBytes)
{
    std::uint8_t bgrx[4] = {0, 0, 0, 0};
    if (entryBytes == 2)
        writeRgb555(entry, bgrx);
    else
        std::memcpy(bgrx, entry, 3);
    return packBgrx(bgrx);
}

template <int Bpp>
void mirrorPixels(std::uint8_t* row, int width)
{
    std::uint8_t* left = row;
    std::uint8_t* right = row + static_cast<std::size_t>(width - 1) * Bpp;
    std::uint8_t swap[Bpp];
    for (; left < right; left += Bpp, right -= Bpp) {
        std::memcpy(swap, left, Bpp);
        std::memcpy(left, right, Bpp);
        std::memcpy(right, swap, Bpp);
    }
}

bool anyMissing(std::uint32_t orOfEntries)
{
    std::uint8_t bytes[4];
    std::memcpy(bytes, &orOfEntries, 4);
    return bytes[3] == kNoEntry;
}

} // namespace

TgaRowConverter::TgaRowConverter(const TgaHeader& header, std::span<const std::uint8_t> colorMap)
    : width_(header.width), rightToLeft_(header.rightToLeft()), inputBytes_(header.bytesPerPixel())
{
    switch (header.kind()) {
    case TgaHeader::Kind::Greyscale:
        op_ = header.pixelBits == 16 ? Op::GreyAlpha : Op::Copy;
        outputBytes_ = 1;
        pixelFormat_ = PixelFormat::Gray;
        break;
    case TgaHeader::Kind::ColorMapped:
        op_ = header.pixelBits == 16 ? Op::Index16 : Op::Index8;
        outputBytes_ = 4;
        pixelFormat_ = PixelFormat::Bgrx;
        buildPalette(header, colorMap);
        break;
    case TgaHeader::Kind::TrueColor:
        if (header.pixelBits == 24) {
            op_ = Op::Copy;
            outputBytes_ = 3;
            pixelFormat_ = PixelFormat::Bgr;
        } else {
            op_ = header.pixelBits == 32 ? Op::Copy : Op::Rgb555;
            outputBytes_ = 4;
            pixelFormat_ = PixelFormat::Bgrx;
        }
        break;
    }
}

void TgaRowConverter::buildPalette(const TgaHeader& header, std::span<const std::uint8_t> colorMap)
{
    std::uint8_t missing[4] = {0, 0, 0, kNoEntry};
    std::size_t indexCount = std::size_t{1} << header.pixelBits;
    palette_.assign(indexCount, packBgrx(missing));
    int entryBytes = header.bytesPerMapEntry();
    std::size_t first = header.colorMapFirst;
    for (std::size_t entry = 0; entry < header.colorMapLength; ++entry) {
        std::size_t index = first + entry;
        if (index >= indexCount)
            break; // entries no pixel value can reach
        palette_[index] = mapEntry(colorMap.data() + entry * static_cast<std::size_t>(entryBytes),
                                   entryBytes);
    }
}

bool TgaRowConverter::convertRow(const std::uint8_t* in, std::uint8_t* out) const
{
    if (!convert(in, out, width_))
        return false;
    putInOrder(out);
    return true;
}

void TgaRowConverter::putInOrder(std::uint8_t* row) const
{
    if (!rightToLeft_)
        return;
    switch (outputBytes_) {
    case 1: std::reverse(row, row + width_); break;
    case 3: mirrorPixels<3>(row, width_); break;
    default: mirrorPixels<4>(row, width_); break;
    }
}

bool TgaRowConverter::convert(const std::uint8_t* in, std::uint8_t* out, int width) const
{
    switch (op_) {
    case Op::Copy:
        std::memcpy(out, in, static_cast<std::size_t>(width) * static_cast<std::size_t>(inputBytes_));
        return true;
    case Op::Rgb555:
        for (int x = 0; x < width; ++x, in += 2, out += 4)
            writeRgb555(in, out);
        return true;
    case Op::GreyAlpha:
        for (int x = 0; x < width; ++x, in += 2)
            out[x] = in[0];
        return true;
    case Op::Index8:
        return mapIndices8(in, out, width);
    case Op::Index16:
        return mapIndices16(in, out, width);
    }
    return false;
}

bool TgaRowConverter::mapIndices8(const std::uint8_t* in, std::uint8_t* out, int width) const
{
    const std::uint32_t* palette = palette_.data();
    std::uint32_t seen = 0;
    for (int x = 0; x < width; ++x, out += 4) {
        std::uint32_t bgrx = palette[in[x]];
        seen |= bgrx;
        std::memcpy(out, &bgrx, 4);
    }
    return !anyMissing(seen);
}

bool TgaRowConverter::mapIndices16(const std::uint8_t* in, std::uint8_t* out, int width) const
{
    const std::uint32_t* palette = palette_.data();
    std::uint32_t seen = 0;
    for (int x = 0; x < width; ++x, in += 2, out += 4) {
        std::uint32_t bgrx = palette[in[0] | (in[1] << 8)];
        seen |= bgrx;
        std::memcpy(out, &bgrx, 4);
    }
    return !anyMissing(seen);
}

} // namespace pellora
