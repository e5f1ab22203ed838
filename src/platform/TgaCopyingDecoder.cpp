#include "platform/TgaCopyingDecoder.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace pellora {

namespace {

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

void mirrorRow(std::uint8_t* row, int width, int bytesPerPixel)
{
    switch (bytesPerPixel) {
    case 1: std::reverse(row, row + width); break;
    case 3: mirrorPixels<3>(row, width); break;
    default: mirrorPixels<4>(row, width); break;
    }
}

// Refuses data too short for the picture before the picture is allocated.
std::optional<TgaError> checkPixelDataLength(const TgaHeader& h, std::size_t available)
{
    std::uint64_t needed = h.runLength()
        ? TgaRleReader::minimumBytes(h.pixelCount(), h.bytesPerPixel())
        : h.pixelCount() * static_cast<std::uint64_t>(h.bytesPerPixel());
    if (available < needed)
        return TgaError::TruncatedPixels;
    return std::nullopt;
}

} // namespace

TgaCopyingDecoder::TgaCopyingDecoder(const TgaHeader& header, std::span<const std::uint8_t> file)
    : h_(header),
      converter_(header, file.subspan(header.colorMapOffset(), header.colorMapBytes())),
      pixels_(file.subspan(header.pixelDataOffset())),
      rle_(pixels_, header.bytesPerPixel())
{
}

Expected<TgaImage, TgaError> TgaCopyingDecoder::run()
{
    if (auto error = checkPixelDataLength(h_, pixels_.size()))
        return unexpected(*error);
    std::size_t pitch = std::size_t{h_.width} * static_cast<std::size_t>(converter_.outputBytesPerPixel());
    UninitializedBytes storage(pitch * h_.height);
    if (h_.runLength() && !converter_.copiesAsIs())
        scratch_.resize(rawRowBytes());
    // File rows come bottom-first unless the header says otherwise.
    for (int fileRow = 0; fileRow < h_.height; ++fileRow) {
        int pictureRow = h_.topFirst() ? fileRow : h_.height - 1 - fileRow;
        std::uint8_t* out = storage.data() + pitch * static_cast<std::size_t>(pictureRow);
        if (auto error = decodeRow(fileRow, out))
            return unexpected(*error);
    }
    if (h_.runLength() && rle_.packetUnfinished())
        return unexpected(TgaError::RunOverflowsImage);
    PixelView view = viewOf(storage.data(), pitch);
    return TgaImage::owning(std::move(storage), view);
}

std::optional<TgaError> TgaCopyingDecoder::decodeRow(int fileRow, std::uint8_t* out)
{
    const std::uint8_t* raw = nullptr;
    if (!h_.runLength()) {
        raw = pixels_.data() + rawRowBytes() * static_cast<std::size_t>(fileRow);
    } else if (converter_.copiesAsIs()) {
        if (auto error = rle_.read(out, h_.width))
            return error;
    } else {
        if (auto error = rle_.read(scratch_.data(), h_.width))
            return error;
        raw = scratch_.data();
    }
    if (raw && !converter_.convert(raw, out, h_.width))
        return TgaError::ColorIndexOutOfRange;
    if (h_.rightToLeft())
        mirrorRow(out, h_.width, converter_.outputBytesPerPixel());
    return std::nullopt;
}

std::size_t TgaCopyingDecoder::rawRowBytes() const
{
    return std::size_t{h_.width} * static_cast<std::size_t>(h_.bytesPerPixel());
}

PixelView TgaCopyingDecoder::viewOf(const std::uint8_t* data, std::size_t pitch) const
{
    PixelView view;
    view.data = data;
    view.width = h_.width;
    view.height = h_.height;
    view.pitch = static_cast<int>(pitch);
    view.pixelFormat = converter_.pixelFormat();
    view.bottomUp = false;
    return view;
}

} // namespace pellora
