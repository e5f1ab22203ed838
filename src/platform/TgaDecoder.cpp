#include "platform/TgaDecoder.h"

#include "platform/TgaCopyingDecoder.h"
#include "platform/TgaHeader.h"

#include <turbojpeg.h>

namespace pellora {

namespace {

// Uncompressed 24- and 32-bit rows already are what the encoder takes, in
// either vertical order; only a mirrored row needs work.
bool rowsFitAsTheyAre(const TgaHeader& h)
{
    return h.imageType == 2 && (h.pixelBits == 24 || h.pixelBits == 32) && !h.rightToLeft();
}

Expected<TgaImage, TgaError> borrowRows(const TgaHeader& h, std::span<const std::uint8_t> pixels)
{
    std::size_t pitch = std::size_t{h.width} * static_cast<std::size_t>(h.bytesPerPixel());
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

} // namespace

Expected<TgaImage, TgaError> TgaDecoder::decode(std::span<const std::uint8_t> file)
{
    auto header = TgaHeader::parse(file, kMaxPixels);
    if (!header)
        return unexpected(header.error());
    if (rowsFitAsTheyAre(*header))
        return borrowRows(*header, file.subspan(header->pixelDataOffset()));
    return TgaCopyingDecoder(*header, file).run();
}

} // namespace pellora
