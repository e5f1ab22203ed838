#pragma once

#include "platform/Expected.h"
#include "platform/tga/TgaError.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace pellora {

// The fixed 18-byte TGA header, checked field by field, plus where the colour
// map and the pixel data start. Nothing here reads past the header itself.
struct TgaHeader {
    static constexpr std::size_t kSize = 18;

    enum class Kind : std::uint8_t { ColorMapped, TrueColor, Greyscale };

    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t colorMapFirst = 0;
    std::uint16_t colorMapLength = 0;
    std::uint8_t colorMapEntryBits = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t pixelBits = 0;
    std::uint8_t descriptor = 0;

    Kind kind() const;
    bool runLength() const { return (imageType & 8) != 0; }
    bool topFirst() const { return (descriptor & 0x20) != 0; }
    bool rightToLeft() const { return (descriptor & 0x10) != 0; }
    int bytesPerPixel() const { return (pixelBits + 7) / 8; }
    int bytesPerMapEntry() const { return (colorMapEntryBits + 7) / 8; }
    std::uint64_t pixelCount() const { return std::uint64_t{width} * height; }
    std::size_t colorMapOffset() const { return kSize + idLength; }
    std::size_t colorMapBytes() const;
    std::size_t pixelDataOffset() const { return colorMapOffset() + colorMapBytes(); }

    // Reads and checks the header; the first problem found is the answer.
    // `maxPixels` is enforced here so that no caller allocates for a lie.
    static Expected<TgaHeader, TgaError> parse(std::span<const std::uint8_t> file,
                                               std::uint64_t maxPixels);
};

} // namespace pellora
