#pragma once

#include "support/TgaBuilder.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace pellora::test {

// Decodes a JPEG file with TurboJPEG for checks on what we wrote.
std::optional<TgaPicture> decodeJpegFile(const std::filesystem::path& path);
// The JPEG of `picture` from TurboJPEG's one-call encoder with the settings
// every conversion uses (4:2:0 or greyscale, accurate DCT): what a conversion
// must write, byte for byte.
std::vector<std::uint8_t> referenceJpeg(const TgaPicture& picture, bool greyscale, int quality);
// Peak signal-to-noise ratio over the colour channels, in dB.
double psnr(const TgaPicture& expected, const TgaPicture& actual);
// A deterministic picture with smooth gradients and some detail, screenshot-like.
TgaPicture samplePicture(int width, int height, int seed = 0);
// Writes `picture` as an uncompressed 32-bit bottom-up TGA, what games write.
void writeGameTga(const std::filesystem::path& path, const TgaPicture& picture);

} // namespace pellora::test
