#pragma once

#include "platform/Expected.h"
#include "platform/PixelView.h"
#include "platform/TurboJpegHandle.h"

#include <cstdint>
#include <span>
#include <string>

namespace pellora {

// Encodes pixel rows to baseline JPEG (4:2:0, accurate DCT; greyscale rows
// give a greyscale JPEG). Keeps its compressor and output buffer between
// calls, so a worker that converts many files allocates once.
class JpegEncoder {
public:
    JpegEncoder() = default;
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // The quality arrives as a byte; 0 and values above 100 are clamped to 1
    // and 100, as the IJG quality setting does.
    static int clampQuality(int quality);

    // The encoded bytes stay valid until the next call. On failure, the
    // encoder's reason.
    Expected<std::span<const std::uint8_t>, std::string> encode(const PixelView& pixels, int quality);

private:
    bool ensureCapacity(unsigned long size);

    TurboJpegHandle handle_;
    unsigned char* buffer_ = nullptr;
    unsigned long capacity_ = 0;
};

} // namespace pellora
