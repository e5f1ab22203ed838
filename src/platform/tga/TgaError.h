#pragma once

#include <cstdint>

namespace pellora {

// Why a TGA file was refused. The conversion reports every one of them as the
// same decoder failure; the cause is for tests and diagnostics.
enum class TgaError : std::uint8_t {
    TruncatedHeader,
    UnsupportedImageType,
    UnsupportedPixelDepth,
    BadColorMapSpec,
    ZeroDimension,
    TooManyPixels,
    InterleavedRows,
    TruncatedColorMap,
    TruncatedPixels,
    ColorIndexOutOfRange,
    RunOverflowsImage,
};

// In English, for tests and diagnostics (see FailureTable).
const char* describe(TgaError error);

} // namespace pellora
