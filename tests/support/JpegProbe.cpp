#include "support/JpegProbe.h"

#include "support/TempDir.h"

#include <algorithm>
#include <cmath>
#include <turbojpeg.h>

namespace pellora::test {

std::optional<TgaPicture> decodeJpegFile(const std::filesystem::path& path)
{
    const auto bytes = readBytes(path);
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    std::optional<TgaPicture> result;
    if (tjDecompressHeader3(handle, bytes.data(), bytes.size(), &width, &height, &subsampling, &colorspace) == 0) {
        std::vector<unsigned char> bgrx(static_cast<size_t>(width) * height * 4);
        if (tjDecompress2(handle, bytes.data(), bytes.size(), bgrx.data(), width, 0, height, TJPF_BGRX, 0) == 0) {
            TgaPicture picture(width, height);
            for (size_t i = 0; i < picture.pixels.size(); ++i)
                picture.pixels[i] = Bgra{bgrx[i * 4], bgrx[i * 4 + 1], bgrx[i * 4 + 2], 255};
            result = picture;
        }
    }
    tjDestroy(handle);
    return result;
}

std::vector<std::uint8_t> referenceJpeg(const TgaPicture& picture, bool greyscale, int quality)
{
    const int channels = greyscale ? 1 : 4;
    std::vector<unsigned char> rows(picture.pixels.size() * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const Bgra& p = picture.pixels[i];
        if (greyscale) {
            rows[i] = p.g;
        } else {
            rows[i * 4] = p.b;
            rows[i * 4 + 1] = p.g;
            rows[i * 4 + 2] = p.r;
            rows[i * 4 + 3] = 255;
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    std::vector<std::uint8_t> result;
    if (tjCompress2(handle, rows.data(), picture.width, 0, picture.height, greyscale ? TJPF_GRAY : TJPF_BGRX, &jpeg,
                    &size, greyscale ? TJSAMP_GRAY : TJSAMP_420, quality, TJFLAG_ACCURATEDCT) == 0)
        result.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return result;
}

double psnr(const TgaPicture& expected, const TgaPicture& actual)
{
    if (expected.width != actual.width || expected.height != actual.height)
        return 0;
    double sum = 0;
    for (size_t i = 0; i < expected.pixels.size(); ++i) {
        const Bgra& a = expected.pixels[i];
        const Bgra& b = actual.pixels[i];
        sum += std::pow(a.b - b.b, 2) + std::pow(a.g - b.g, 2) + std::pow(a.r - b.r, 2);
    }
    const double mse = sum / (3.0 * static_cast<double>(expected.pixels.size()));
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

TgaPicture samplePicture(int width, int height, int seed)
{
    TgaPicture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto r = static_cast<std::uint8_t>((x * 255) / std::max(1, width - 1));
            const auto g = static_cast<std::uint8_t>((y * 255) / std::max(1, height - 1));
            const auto b = static_cast<std::uint8_t>(128 + 100 * std::sin((x + y + seed * 7) / 9.0));
            // Alpha 0 on purpose: games often leave it so, and it must not blank the picture.
            picture.at(x, y) = Bgra{b, g, r, 0};
        }
    }
    return picture;
}

void writeGameTga(const std::filesystem::path& path, const TgaPicture& picture)
{
    TgaSpec layout;
    layout.pixelBits = 32;
    writeBytes(path, buildTga(picture, layout));
}

} // namespace pellora::test
