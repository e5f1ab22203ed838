#pragma once

#include "platform/Expected.h"
#include "platform/tga/TgaError.h"

#include <cstddef>
#include <cstdint>

namespace pellora {

// Expands TGA run-length packets into raw file pixels, a stretch at a time.
// A packet may cross scan lines, and the file arrives a strip at a time, so
// the reader keeps its place within a packet from one input to the next.
class TgaRleReader {
public:
    explicit TgaRleReader(int bytesPerPixel);

    // The packet bytes to read on from: `size` bytes of the file at `fileOffset`.
    void setInput(const std::uint8_t* data, std::size_t size, std::uint64_t fileOffset);

    // Starts at the packet header at the start of the input, with the
    // packet's first `used` pixels already taken by an earlier row.
    [[nodiscard]] Expected<void, TgaError> startInsidePacket(int used);

    // Writes the next `count` pixels to `out` (count * bytesPerPixel bytes),
    // or passes over them when `out` is null.
    [[nodiscard]] Expected<void, TgaError> read(std::uint8_t* out, int count);

    // The file offset of the next byte to read.
    std::uint64_t position() const;
    // Where the next pixel comes from: the packet header that holds it and
    // how many of that packet's pixels came before it.
    std::uint64_t packetOffset() const { return left_ > 0 ? packetOffset_ : position(); }
    int pixelsTakenFromPacket() const { return left_ > 0 ? packetCount_ - left_ : 0; }

    // True when the last packet read declares pixels that were not asked for:
    // after the image's last pixel, that packet runs past the image.
    bool packetUnfinished() const { return left_ > 0; }

    // The fewest packet bytes that can hold `pixels` pixels, for refusing a
    // truncated file before anything is allocated for it.
    static std::uint64_t minimumBytes(std::uint64_t pixels, int bytesPerPixel);
    // The most bytes one row of `width` pixels can take.
    static std::size_t maximumRowBytes(int width, int bytesPerPixel);

private:
    template <int Bpp, bool Write>
    Expected<void, TgaError> readAs(std::uint8_t* out, int count);

    const std::uint8_t* begin_ = nullptr;
    const std::uint8_t* next_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint64_t fileOffset_ = 0; // of begin_
    int bytesPerPixel_;
    int left_ = 0;           // pixels still to come from the current packet
    int packetCount_ = 0;    // pixels the current packet holds in all
    std::uint64_t packetOffset_ = 0;
    bool repeating_ = false; // the current packet repeats `value_`
    std::uint8_t value_[4] = {};
};

} // namespace pellora
