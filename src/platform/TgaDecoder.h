#pragma once

#include "platform/Expected.h"
#include "platform/TgaError.h"
#include "platform/TgaImage.h"

#include <cstdint>
#include <span>

namespace pellora {

// Strict TGA decoder: types 1, 2, 3 and their run-length forms 9, 10, 11.
// Anything malformed is refused with a cause; it never reads outside `file`.
class TgaDecoder {
public:
    // Images above this many pixels are refused before anything is allocated.
    static constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

    static Expected<TgaImage, TgaError> decode(std::span<const std::uint8_t> file);
};

} // namespace pellora
