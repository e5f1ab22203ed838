#pragma once

#include "platform/TgaError.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace pellora {

// Expands TGA run-length packets into raw file pixels, a stretch at a time.
// A packet may cross scan lines, so the reader keeps its place between calls.
class TgaRleReader {
public:
    TgaRleReader(std::span<const std::uint8_t> packets, int bytesPerPixel);

    // Writes the next `count` pixels to `out` (count * bytesPerPixel bytes).
    std::optional<TgaError> read(std::uint8_t* out, int count);

    // True when the last packet read declares pixels that were not asked for:
    // after the image's last pixel, that packet runs past the image.
    bool packetUnfinished() const { return left_ > 0; }

    // The fewest packet bytes that can hold `pixels` pixels, for refusing a
    // truncated file before anything is allocated for it.
    static std::uint64_t minimumBytes(std::uint64_t pixels, int bytesPerPixel);

private:
    template <int Bpp>
    std::optional<TgaError> readAs(std::uint8_t* out, int count);

    const std::uint8_t* next_;
    const std::uint8_t* end_;
    int bytesPerPixel_;
    int left_ = 0;          // pixels still to come from the current packet
    bool repeating_ = false; // the current packet repeats `value_`
    std::uint8_t value_[4] = {};
};

} // namespace pellora
