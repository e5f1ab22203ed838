#pragma once

#include "platform/Failure.h"
#include "platform/io/FileHandle.h"
#include "platform/jpeg/PixelFormat.h"

#include <cstdint>
#include <memory>

namespace pellora {

// Encodes rows, top to bottom, into a baseline JPEG (4:2:0, accurate DCT;
// grey rows give a greyscale JPEG) written to a file as it is made, through a
// small buffer. Keeps its compressor and buffer from one picture to the next,
// so a worker that converts many files sets them up once. One per thread.
class JpegStreamEncoder {
public:
    JpegStreamEncoder();
    ~JpegStreamEncoder();
    JpegStreamEncoder(const JpegStreamEncoder&) = delete;
    JpegStreamEncoder& operator=(const JpegStreamEncoder&) = delete;

    // The quality arrives as a byte; 0 and values above 100 are clamped to 1
    // and 100, as the IJG quality setting does.
    static int clampQuality(int quality);

    [[nodiscard]] Status start(const FileHandle& file, int width, int height, PixelFormat format, int quality);
    // One row of `width` pixels in the format given to start().
    [[nodiscard]] Status writeRow(const std::uint8_t* row);
    // Writes the end of the JPEG and what is left in the buffer.
    [[nodiscard]] Status finish();
    // Drops a picture begun and not finished; the encoder is ready for the next.
    void abandon();

    struct Codec;

private:
    // After a libjpeg call failed: why, and the picture dropped.
    Failure failedStep();

    std::unique_ptr<Codec> codec_;
};

} // namespace pellora
