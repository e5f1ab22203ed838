#pragma once

#include "support/TgaBuilder.h"

#include <filesystem>
#include <optional>

namespace pellora::test {

// Decodes a JPEG file with TurboJPEG for checks on what we wrote.
std::optional<TgaPicture> decodeJpegFile(const std::filesystem::path& path);
// Peak signal-to-noise ratio over the colour channels, in dB.
double psnr(const TgaPicture& expected, const TgaPicture& actual);
// A deterministic picture with smooth gradients and some detail, screenshot-like.
TgaPicture samplePicture(int width, int height, int seed = 0);
// Writes `picture` as an uncompressed 32-bit bottom-up TGA, what games write.
void writeGameTga(const std::filesystem::path& path, const TgaPicture& picture);

} // namespace pellora::test
