#include "platform/tga/TgaRleReader.h"

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

// Photographs give packets of a few pixels each; a call to memcpy for every
// one of them would cost more than the copy.
template <int Bpp>
void copyPixels(std::uint8_t* out, const std::uint8_t* in, int count)
{
    if (count > 16) {
        std::memcpy(out, in, static_cast<std::size_t>(count) * Bpp);
        return;
    }
    for (int i = 0; i < count; ++i, out += Bpp, in += Bpp)
        std::memcpy(out, in, Bpp);
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

Expected<void, TgaError> TgaRleReader::read(std::uint8_t* out, int count)
{
    return byDepth(bytesPerPixel_, [&](auto bpp) {
        constexpr int Bpp = decltype(bpp)::value;
        return out ? readAs<Bpp, true>(out, count) : readAs<Bpp, false>(out, count);
    });
}

// The state lives in locals while the loop runs: written through a byte
// pointer, `out` could alias every member, which would be reloaded after each
// store.
template <int Bpp, bool Write>
Expected<void, TgaError> TgaRleReader::readAs(std::uint8_t* out, int count)
{
    const std::uint8_t* next = next_;
    const std::uint8_t* const end = end_;
    const std::uint8_t* packetStart = nullptr;
    int left = left_, packetCount = packetCount_;
    bool repeating = repeating_;
    std::uint8_t value[4];
    std::memcpy(value, value_, sizeof value);
    bool truncated = false; // the only way a packet can be wrong here
    while (count > 0) {
        if (left == 0) {
            if (next == end) {
                truncated = true;
                break;
            }
            packetStart = next;
            const std::uint8_t packetHeader = *next++;
            left = packetCount = (packetHeader & 0x7F) + 1;
            repeating = (packetHeader & 0x80) != 0;
            if (repeating) {
                if (end - next < Bpp) {
                    truncated = true;
                    break;
                }
                std::memcpy(value, next, Bpp);
                next += Bpp;
            }
        }
        const int n = std::min(left, count);
        const std::ptrdiff_t bytes = static_cast<std::ptrdiff_t>(n) * Bpp;
        if (repeating) {
            if constexpr (Write)
                fill<Bpp>(out, value, n);
        } else {
            if (end - next < bytes) {
                truncated = true;
                break;
            }
            if constexpr (Write)
                copyPixels<Bpp>(out, next, n);
            next += bytes;
        }
        if constexpr (Write)
            out += bytes;
        left -= n;
        count -= n;
    }
    if (packetStart)
        packetOffset_ = fileOffset_ + static_cast<std::uint64_t>(packetStart - begin_);
    next_ = next;
    left_ = left;
    packetCount_ = packetCount;
    repeating_ = repeating;
    std::memcpy(value_, value, sizeof value);
    if (truncated)
        return unexpected(TgaError::TruncatedPixels);
    return {};
}

Expected<void, TgaError> TgaRleReader::startInsidePacket(int used)
{
    left_ = 0;
    if (used < 0)
        return unexpected(TgaError::TruncatedPixels);
    if (used == 0)
        return {}; // the next read starts the packet
    if (auto taken = read(nullptr, used); !taken)
        return taken;
    // The row's first pixel lies inside the very packet the input starts with.
    if (left_ == 0 || packetOffset_ != fileOffset_)
        return unexpected(TgaError::TruncatedPixels);
    return {};
}

} // namespace pellora
