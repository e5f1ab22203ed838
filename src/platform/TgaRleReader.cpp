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

template <typename Reader>
auto byDepth(int bytesPerPixel, Reader&& reader)
{
    switch (bytesPerPixel) {
    case 1: return reader(std::integral_constant<int, 1>{});
    case 2: return reader(std::integral_constant<int, 2>{});
    case 3: return reader(std::integral_constant<int, 3>{});
    default: return reader(std::integral_constant<int, 4>{});
    }
}

} // namespace

TgaRleReader::TgaRleReader(int bytesPerPixel) : bytesPerPixel_(bytesPerPixel) {}

void TgaRleReader::setInput(const std::uint8_t* data, std::size_t size, std::uint64_t fileOffset)
{
    begin_ = next_ = data;
    end_ = data + size;
    fileOffset_ = fileOffset;
}

std::uint64_t TgaRleReader::position() const
{
    return fileOffset_ + static_cast<std::uint64_t>(next_ - begin_);
}

std::uint64_t TgaRleReader::minimumBytes(std::uint64_t pixels, int bytesPerPixel)
{
    std::uint64_t packets = (pixels + kMaxPacketPixels - 1) / kMaxPacketPixels;
    return packets * static_cast<std::uint64_t>(1 + bytesPerPixel);
}

std::size_t TgaRleReader::maximumRowBytes(int width, int bytesPerPixel)
{
    // One raw packet per pixel, at worst; a packet carried over from the row
    // before adds no header.
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(1 + bytesPerPixel);
}

std::optional<TgaError> TgaRleReader::startInsidePacket(int used)
{
    left_ = 0;
    return byDepth(bytesPerPixel_, [&](auto bpp) -> std::optional<TgaError> {
        constexpr int Bpp = decltype(bpp)::value;
        if (auto error = startPacket<Bpp>())
            return error;
        const std::size_t skipped = static_cast<std::size_t>(used) * Bpp;
        if (used < 0 || used >= left_ || (!repeating_ && static_cast<std::size_t>(end_ - next_) < skipped))
            return TgaError::TruncatedPixels;
        if (!repeating_)
            next_ += skipped;
        left_ -= used;
        return std::nullopt;
    });
}

std::optional<TgaError> TgaRleReader::read(std::uint8_t* out, int count)
{
    return byDepth(bytesPerPixel_, [&](auto bpp) { return readAs<decltype(bpp)::value>(out, count); });
}

template <int Bpp>
std::optional<TgaError> TgaRleReader::startPacket()
{
    if (next_ == end_)
        return TgaError::TruncatedPixels;
    packetOffset_ = position();
    const std::uint8_t packetHeader = *next_++;
    left_ = packetCount_ = (packetHeader & 0x7F) + 1;
    repeating_ = (packetHeader & 0x80) != 0;
    // A raw packet's pixels are checked as they are read.
    if (repeating_) {
        if (static_cast<std::size_t>(end_ - next_) < Bpp)
            return TgaError::TruncatedPixels;
        std::memcpy(value_, next_, Bpp);
        next_ += Bpp;
    }
    return std::nullopt;
}

template <int Bpp>
std::optional<TgaError> TgaRleReader::readAs(std::uint8_t* out, int count)
{
    while (count > 0) {
        if (left_ == 0) {
            if (auto error = startPacket<Bpp>())
                return error;
        }
        const int n = std::min(left_, count);
        const std::size_t bytes = static_cast<std::size_t>(n) * Bpp;
        if (repeating_) {
            if (out)
                fill<Bpp>(out, value_, n);
        } else {
            if (static_cast<std::size_t>(end_ - next_) < bytes)
                return TgaError::TruncatedPixels;
            if (out)
                std::memcpy(out, next_, bytes);
            next_ += bytes;
        }
        if (out)
            out += bytes;
        left_ -= n;
        count -= n;
    }
    return std::nullopt;
}

} // namespace pellora
