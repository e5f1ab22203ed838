#include "platform/TgaDecoder.h"

#include "platform/TgaHeader.h"
#include "platform/TgaRleReader.h"
#include "platform/TgaRowConverter.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <turbojpeg.h>
#include <utility>

namespace pellora {

namespace {

std::size_t rowBytes(const TgaHeader& h, int bytesPerPixel)
{
    return std::size_t{h.width} * static_cast<std::size_t>(bytesPerPixel);
}

// Uncompressed 24- and 32-bit rows already are what the encoder takes, in
// either vertical order; only a mirrored row needs work.
bool rowsFitAsTheyAre(const TgaHeader& h)
{
    return h.imageType == 2 && (h.pixelBits == 24 || h.pixelBits == 32) && !h.rightToLeft();
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

void mirrorRow(std::uint8_t* row, int width, int bytesPerPixel)
{
    switch (bytesPerPixel) {
    case 1: std::reverse(row, row + width); break;
    case 3: mirrorPixels<3>(row, width); break;
    default: mirrorPixels<4>(row, width); break;
    }
}

Expected<TgaImage, TgaError> borrowRows(const TgaHeader& h, std::span<const std::uint8_t> pixels)
{
    std::size_t pitch = rowBytes(h, h.bytesPerPixel());
    if (pixels.size() / pitch < h.height)
        return unexpected(TgaError::TruncatedPixels);
    PixelView view;
    view.data = pixels.data();
    view.width = h.width;
    view.height = h.height;
    view.pitch = static_cast<int>(pitch);
    view.pixelFormat = h.pixelBits == 24 ? TJPF_BGR : TJPF_BGRX;
    view.bottomUp = !h.topFirst();
    return TgaImage::borrowed(view);
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

// Decodes into owned top-down rows: file rows arrive bottom-first unless the
// header says otherwise, each left-to-right unless it says otherwise.
class OwnedRowsDecoder {
public:
    OwnedRowsDecoder(const TgaHeader& header, std::span<const std::uint8_t> file)
        : h_(header),
          converter_(header, file.subspan(header.colorMapOffset(), header.colorMapBytes())),
          pixels_(file.subspan(header.pixelDataOffset())),
          rle_(pixels_, header.bytesPerPixel())
    {
    }

    Expected<TgaImage, TgaError> run()
    {
        if (auto error = checkPixelDataLength(h_, pixels_.size()))
            return unexpected(*error);
        std::size_t pitch = rowBytes(h_, converter_.outputBytesPerPixel());
        std::vector<std::uint8_t> storage(pitch * h_.height);
        if (h_.runLength() && !converter_.copiesAsIs())
            scratch_.resize(rowBytes(h_, h_.bytesPerPixel()));
        for (int fileRow = 0; fileRow < h_.height; ++fileRow) {
            int pictureRow = h_.topFirst() ? fileRow : h_.height - 1 - fileRow;
            if (auto error = decodeRow(fileRow, storage.data() + pitch * static_cast<std::size_t>(pictureRow)))
                return unexpected(*error);
        }
        if (h_.runLength() && rle_.packetUnfinished())
            return unexpected(TgaError::RunOverflowsImage);
        PixelView view = viewOf(storage.data(), pitch);
        return TgaImage::owning(std::move(storage), view);
    }

private:
    std::optional<TgaError> decodeRow(int fileRow, std::uint8_t* out)
    {
        const std::uint8_t* raw = nullptr;
        if (!h_.runLength()) {
            raw = pixels_.data() + rowBytes(h_, h_.bytesPerPixel()) * static_cast<std::size_t>(fileRow);
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

    PixelView viewOf(const std::uint8_t* data, std::size_t pitch) const
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

    const TgaHeader& h_;
    TgaRowConverter converter_;
    std::span<const std::uint8_t> pixels_;
    TgaRleReader rle_;
    std::vector<std::uint8_t> scratch_;
};

} // namespace

Expected<TgaImage, TgaError> TgaDecoder::decode(std::span<const std::uint8_t> file)
{
    auto header = TgaHeader::parse(file, kMaxPixels);
    if (!header)
        return unexpected(header.error());
    if (rowsFitAsTheyAre(*header))
        return borrowRows(*header, file.subspan(header->pixelDataOffset()));
    return OwnedRowsDecoder(*header, file).run();
}

} // namespace pellora
