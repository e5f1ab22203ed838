#pragma once

#include "platform/Expected.h"
#include "platform/TgaError.h"
#include "platform/TgaHeader.h"
#include "platform/TgaImage.h"
#include "platform/TgaRleReader.h"
#include "platform/TgaRowConverter.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pellora {

// Decodes a checked TGA file into rows of its own, top-down and left to
// right whatever order the file stores them in. For every layout whose rows
// cannot be handed on from the file as they are.
class TgaCopyingDecoder {
public:
    // `header` must come from TgaHeader::parse on `file`; both must outlive run().
    TgaCopyingDecoder(const TgaHeader& header, std::span<const std::uint8_t> file);

    Expected<TgaImage, TgaError> run();

private:
    std::optional<TgaError> decodeRow(int fileRow, std::uint8_t* out);
    std::size_t rawRowBytes() const;
    PixelView viewOf(const std::uint8_t* data, std::size_t pitch) const;

    const TgaHeader& h_;
    TgaRowConverter converter_;
    std::span<const std::uint8_t> pixels_;
    TgaRleReader rle_;
    std::vector<std::uint8_t> scratch_; // one raw row, when packets cannot expand in place
};

} // namespace pellora
