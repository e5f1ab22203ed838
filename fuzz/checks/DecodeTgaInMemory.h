#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/jpeg/PixelFormat.h"
#include "platform/tga/TgaRowSource.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pellora::fuzz {

// A whole decoded picture, rows top to bottom.
struct DecodedTga {
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat::Bgrx;
    std::vector<std::uint8_t> pixels;

    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * bytesPerPixel(format); }
    const std::uint8_t* row(int y) const { return pixels.data() + rowBytes() * static_cast<std::size_t>(y); }
};

// Decodes TGA bytes through the very decoder a conversion streams a file
// with, from an in-memory file, reading `stripBytes` at a time.
Expected<DecodedTga, Failure> decodeTgaInMemory(std::span<const std::uint8_t> file,
                                                std::size_t stripBytes = TgaRowSource::kStripBytes);

// A failure in words, for the messages of checks and tests.
std::string describeFailure(const Failure& failure);

} // namespace pellora::fuzz
