#include "platform/TgaRleReader.h"

#include <algorithm>
#include <cstring>

namespace pellora {

namespace {

constexpr int kMaxPacketPixels = 128;

template <int Bpp>
void fill(std::uint8_t* out, const std::uint8_t* value, int count)
{
    if constexpr (Bpp == 1) {
        std::memset(out, value[0], static_cast<std::size_t>(count));
    } else {
        for (int i = 0; i < count; ++i, out += Bpp)
            std::memcpy(out, value, Bpp);
    }
}

} // namespace

TgaRleReader::TgaRleReader(std::span<const std::uint8_t> packets, int bytesPerPixel)
    : next_(packets.data()), end_(packets.data() + packets.size()), bytesPerPixel_(bytesPerPixel)
{
}

std::uint64_t TgaRleReader::minimumBytes(std::uint64_t pixels, int bytesPerPixel)
{
    std::uint64_t packets = (pixels + kMaxPacketPixels - 1) / kMaxPacketPixels;
    return packets * static_cast<std::uint64_t>(1 + bytesPerPixel);
}

std::optional<TgaError> TgaRleReader::read(std::uint8_t* out, int count)
{
    switch (bytesPerPixel_) {
    case 1: return readAs<1>(out, count);
    case 2: return readAs<2>(out, count);
    case 3: return readAs<3>(out, count);
    default: return readAs<4>(out, count);
    }
}

template <int Bpp>
std::optional<TgaError> TgaRleReader::readAs(std::uint8_t* out, int count)
{
    while (count > 0) {
        if (left_ == 0) {
            if (next_ == end_)
                return TgaError::TruncatedPixels;
            std::uint8_t packetHeader = *next_++;
            left_ = (packetHeader & 0x7F) + 1;
            repeating_ = (packetHeader & 0x80) != 0;
            if (repeating_) {
                if (end_ - next_ < Bpp)
                    return TgaError::TruncatedPixels;
                std::memcpy(value_, next_, Bpp);
                next_ += Bpp;
            }
        }
        int n = std::min(left_, count);
        std::size_t bytes = static_cast<std::size_t>(n) * Bpp;
        if (repeating_) {
            fill<Bpp>(out, value_, n);
        } else {
            if (static_cast<std::size_t>(end_ - next_) < bytes)
                return TgaError::TruncatedPixels;
            std::memcpy(out, next_, bytes);
            next_ += bytes;
        }
        out += bytes;
        left_ -= n;
        count -= n;
    }
    return std::nullopt;
}

} // namespace pellora
