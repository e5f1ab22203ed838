#include "platform/JpegEncoder.h"

#include <algorithm>

namespace pellora {

JpegEncoder::~JpegEncoder()
{
    tjFree(buffer_);
}

int JpegEncoder::clampQuality(int quality)
{
    return std::clamp(quality, 1, 100);
}

bool JpegEncoder::ensureCapacity(unsigned long size)
{
    if (size <= capacity_)
        return true;
    tjFree(buffer_);
    buffer_ = tjAlloc(static_cast<int>(size));
    capacity_ = buffer_ ? size : 0;
    return buffer_ != nullptr;
}

Expected<std::span<const std::uint8_t>, std::string> JpegEncoder::encode(const PixelView& pixels, int quality)
{
    if (!handle_.valid())
        return unexpected(std::string("cannot create a JPEG compressor"));
    const int subsampling = pixels.pixelFormat == TJPF_GRAY ? TJSAMP_GRAY : TJSAMP_420;
    const unsigned long worstCase = tjBufSize(pixels.width, pixels.height, subsampling);
    if (worstCase == static_cast<unsigned long>(-1) || worstCase > 0x7fffffffUL)
        return unexpected(std::string("image too large for the encoder"));
    if (!ensureCapacity(worstCase))
        return unexpected(std::string("out of memory for the JPEG buffer"));

    int flags = TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC;
    if (pixels.bottomUp)
        flags |= TJFLAG_BOTTOMUP;
    unsigned char* out = buffer_;
    unsigned long size = capacity_;
    if (tjCompress2(handle_.get(), pixels.data, pixels.width, pixels.pitch, pixels.height,
                    pixels.pixelFormat, &out, &size, subsampling, clampQuality(quality), flags) != 0)
        return unexpected(std::string(tjGetErrorStr2(handle_.get())));
    return std::span<const std::uint8_t>(out, size);
}

} // namespace pellora
