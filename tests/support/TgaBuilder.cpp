#include "support/TgaBuilder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pellora::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

int imageTypeOf(const TgaSpec& format)
{
    int base = format.kind == TgaKind::ColorMapped ? 1 : format.kind == TgaKind::TrueColor ? 2 : 3;
    return format.runLength ? base + 8 : base;
}

void append555(Bytes& out, const Bgra& p, bool alphaBit)
{
    unsigned v = unsigned(p.b >> 3) | unsigned(p.g >> 3) << 5 | unsigned(p.r >> 3) << 10;
    if (alphaBit && p.a >= 128)
        v |= 0x8000;
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void appendColor(Bytes& out, const Bgra& p, int bits)
{
    if (bits == 15 || bits == 16) {
        append555(out, p, bits == 16);
        return;
    }
    out.insert(out.end(), {p.b, p.g, p.r});
    if (bits == 32)
        out.push_back(p.a);
}

std::vector<Bgra> distinctColors(const TgaPicture& picture)
{
    std::vector<Bgra> colors;
    for (const Bgra& p : picture.pixels)
        if (std::find(colors.begin(), colors.end(), p) == colors.end())
            colors.push_back(p);
    return colors;
}

// Pixels as raw bytes, in the order the header's origin bits say they are stored.
std::vector<Bytes> filePixels(const TgaPicture& picture, const TgaSpec& format,
                              const std::vector<Bgra>& palette)
{
    std::vector<Bytes> pixels;
    for (int row = 0; row < picture.height; ++row) {
        int y = format.topFirst ? row : picture.height - 1 - row;
        for (int col = 0; col < picture.width; ++col) {
            int x = format.rightToLeft ? picture.width - 1 - col : col;
            const Bgra& p = picture.at(x, y);
            Bytes raw;
            if (format.kind == TgaKind::ColorMapped) {
                auto index = unsigned(std::find(palette.begin(), palette.end(), p) - palette.begin())
                    + unsigned(format.mapFirstIndex);
                raw.push_back(std::uint8_t(index));
                if (format.pixelBits == 16)
                    raw.push_back(std::uint8_t(index >> 8));
            } else if (format.kind == TgaKind::Greyscale) {
                raw.push_back(p.g);
                if (format.pixelBits == 16)
                    raw.push_back(p.a);
            } else {
                appendColor(raw, p, format.pixelBits);
            }
            pixels.push_back(std::move(raw));
        }
    }
    return pixels;
}

std::size_t runAt(const std::vector<Bytes>& pixels, std::size_t i)
{
    std::size_t n = 1;
    while (i + n < pixels.size() && n < 128 && pixels[i + n] == pixels[i])
        ++n;
    return n;
}

void appendPackets(Bytes& out, const std::vector<Bytes>& pixels)
{
    std::size_t i = 0;
    while (i < pixels.size()) {
        std::size_t run = runAt(pixels, i);
        if (run >= 2) {
            out.push_back(std::uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), pixels[i].begin(), pixels[i].end());
            i += run;
            continue;
        }
        std::size_t start = i;
        while (i < pixels.size() && i - start < 128 && runAt(pixels, i) < 2)
            ++i;
        out.push_back(std::uint8_t(i - start - 1));
        for (std::size_t k = start; k < i; ++k)
            out.insert(out.end(), pixels[k].begin(), pixels[k].end());
    }
}

void appendRunLength(Bytes& out, const std::vector<Bytes>& pixels, const TgaSpec& format, int width)
{
    if (format.packetsCrossRows) {
        appendPackets(out, pixels);
        return;
    }
    for (std::size_t row = 0; row < pixels.size(); row += std::size_t(width))
        appendPackets(out, std::vector<Bytes>(pixels.begin() + std::ptrdiff_t(row),
                                              pixels.begin() + std::ptrdiff_t(row + std::size_t(width))));
}

// The header, image ID and colour map of a file of `format`.
Bytes headerOf(const TgaSpec& format, int width, int height, const std::vector<Bgra>& palette)
{
    Bytes out(tga::kHeaderSize, 0);
    out[tga::kIdLength] = std::uint8_t(format.id.size());
    out[tga::kImageType] = std::uint8_t(imageTypeOf(format));
    if (format.kind == TgaKind::ColorMapped) {
        out[tga::kColorMapType] = 1;
        tga::putU16(out, tga::kMapFirst, unsigned(format.mapFirstIndex));
        tga::putU16(out, tga::kMapLength, unsigned(palette.size()));
        out[tga::kMapEntryBits] = std::uint8_t(format.mapEntryBits);
    }
    tga::putU16(out, tga::kWidth, unsigned(width));
    tga::putU16(out, tga::kHeight, unsigned(height));
    out[tga::kPixelBits] = std::uint8_t(format.pixelBits);
    bool hasAlpha = format.pixelBits == 32 || (format.pixelBits == 16 && format.kind != TgaKind::ColorMapped);
    int alphaBits = !hasAlpha ? 0 : format.pixelBits == 32 || format.kind == TgaKind::Greyscale ? 8 : 1;
    out[tga::kDescriptor] = std::uint8_t(alphaBits | (format.topFirst ? 0x20 : 0) | (format.rightToLeft ? 0x10 : 0));
    // One byte at a time: GCC 12 at -O3 takes a range insert here for a write
    // past the header and stops the build.
    for (const char c : format.id)
        out.push_back(std::uint8_t(c));
    for (const Bgra& entry : palette)
        appendColor(out, entry, format.mapEntryBits);
    return out;
}

} // namespace

std::vector<std::uint8_t> buildTga(const TgaPicture& picture, const TgaSpec& format)
{
    std::vector<Bgra> palette;
    if (format.kind == TgaKind::ColorMapped) {
        palette = distinctColors(picture);
        std::size_t reach = std::size_t(1) << format.pixelBits;
        if (format.mapFirstIndex + palette.size() > reach)
            throw std::invalid_argument("too many colours for the index depth");
    }
    Bytes out = headerOf(format, picture.width, picture.height, palette);
    std::vector<Bytes> pixels = filePixels(picture, format, palette);
    if (format.runLength)
        appendRunLength(out, pixels, format, picture.width);
    else
        for (const Bytes& p : pixels)
            out.insert(out.end(), p.begin(), p.end());
    out.insert(out.end(), format.trailer.begin(), format.trailer.end());
    return out;
}

std::vector<std::uint8_t> buildTgaFromPackets(const TgaSpec& format, int width, int height,
                                               const std::vector<std::uint8_t>& packets)
{
    if (format.kind == TgaKind::ColorMapped)
        throw std::invalid_argument("packets of colour indices need a colour map");
    TgaSpec runLength = format;
    runLength.runLength = true;
    Bytes out = headerOf(runLength, width, height, {});
    out.insert(out.end(), packets.begin(), packets.end());
    out.insert(out.end(), format.trailer.begin(), format.trailer.end());
    return out;
}

namespace tga {

void putU16(std::vector<std::uint8_t>& file, std::size_t offset, unsigned value)
{
    file.at(offset) = std::uint8_t(value);
    file.at(offset + 1) = std::uint8_t(value >> 8);
}

std::size_t pixelDataOffset(const std::vector<std::uint8_t>& file)
{
    std::size_t offset = kHeaderSize + file.at(kIdLength);
    if (file.at(kColorMapType) == 1) {
        std::size_t length = file.at(kMapLength) | file.at(kMapLength + 1) << 8;
        offset += length * ((file.at(kMapEntryBits) + 7u) / 8u);
    }
    return offset;
}

} // namespace tga

TgaPicture pictureOf(const fuzz::DecodedTga& decoded)
{
    TgaPicture picture(decoded.width, decoded.height);
    const int bytesPerPixel = pellora::bytesPerPixel(decoded.format);
    for (int y = 0; y < decoded.height; ++y) {
        const std::uint8_t* row = decoded.row(y);
        for (int x = 0; x < decoded.width; ++x) {
            const std::uint8_t* p = row + std::ptrdiff_t(x) * bytesPerPixel;
            picture.at(x, y) = bytesPerPixel == 1 ? Bgra{p[0], p[0], p[0], 255} : Bgra{p[0], p[1], p[2], 255};
        }
    }
    return picture;
}

TgaPicture opaque(TgaPicture picture)
{
    for (Bgra& p : picture.pixels)
        p.a = 255;
    return picture;
}

std::uint8_t fiveBitLevel(int q)
{
    return std::uint8_t((q << 3) | (q >> 2));
}

} // namespace pellora::test
