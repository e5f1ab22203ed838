#pragma once

#include "checks/DecodeTgaInMemory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pellora::test {

struct Bgra {
    std::uint8_t b = 0, g = 0, r = 0, a = 255;
    bool operator==(const Bgra&) const = default;
};

// A picture as it is seen: rows top to bottom, pixels left to right.
struct TgaPicture {
    int width = 0;
    int height = 0;
    std::vector<Bgra> pixels;

    TgaPicture() = default;
    TgaPicture(int w, int h, Bgra fill = {}) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    Bgra& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    const Bgra& at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool operator==(const TgaPicture&) const = default;
};

enum class TgaKind { ColorMapped, TrueColor, Greyscale };

// How to write a picture. Greyscale stores each pixel's g (and a, at 16 bits);
// 15/16-bit colour keeps the top 5 bits of each channel; a colour map holds
// the picture's distinct colours in order of first appearance.
struct TgaSpec {
    TgaKind kind = TgaKind::TrueColor;
    int pixelBits = 24;
    bool runLength = false;
    bool packetsCrossRows = true; // false: every packet ends with its scan line
    bool topFirst = false;    // descriptor bit 5
    bool rightToLeft = false; // descriptor bit 4
    int mapFirstIndex = 0;    // colour-mapped only
    int mapEntryBits = 24;    // colour-mapped only: 15, 16, 24 or 32
    std::string id;                 // the image ID field
    std::vector<std::uint8_t> trailer; // written after the pixel data
};

std::vector<std::uint8_t> buildTga(const TgaPicture& picture, const TgaSpec& format);

// A run-length file of `format` (true colour or greyscale) whose pixel data
// are `packets` byte for byte, whatever packets buildTga would choose: for
// tests that need packets of given lengths where given pixels fall.
std::vector<std::uint8_t> buildTgaFromPackets(const TgaSpec& format, int width, int height,
                                               const std::vector<std::uint8_t>& packets);

// Header field offsets, for tests that forge broken files.
namespace tga {
constexpr std::size_t kIdLength = 0, kColorMapType = 1, kImageType = 2, kMapFirst = 3,
                      kMapLength = 5, kMapEntryBits = 7, kWidth = 12, kHeight = 14,
                      kPixelBits = 16, kDescriptor = 17, kHeaderSize = 18;
void putU16(std::vector<std::uint8_t>& file, std::size_t offset, unsigned value);
// Where the pixel data of a file made by buildTga starts.
std::size_t pixelDataOffset(const std::vector<std::uint8_t>& file);
} // namespace tga

// Reads decoder output back as a picture (alpha 255), whatever its layout.
TgaPicture pictureOf(const fuzz::DecodedTga& decoded);
// The same picture with alpha 255 everywhere, for comparing with decoder output.
TgaPicture opaque(TgaPicture picture);
// Picture values that survive 5-bit channels unchanged: (q << 3) | (q >> 2).
std::uint8_t fiveBitLevel(int q);

} // namespace pellora::test
