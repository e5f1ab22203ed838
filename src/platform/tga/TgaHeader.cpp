#include "platform/tga/TgaHeader.h"

#include <optional>

namespace pellora {

namespace {

std::uint16_t readU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

bool isKnownImageType(std::uint8_t type)
{
    switch (type) {
    case 1: case 2: case 3: case 9: case 10: case 11: return true;
    default: return false;
    }
}

bool isMapEntryDepth(std::uint8_t bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

bool depthSuitsKind(TgaHeader::Kind kind, std::uint8_t bits)
{
    switch (kind) {
    case TgaHeader::Kind::ColorMapped: return bits == 8 || bits == 16;
    case TgaHeader::Kind::TrueColor: return bits == 15 || bits == 16 || bits == 24 || bits == 32;
    case TgaHeader::Kind::Greyscale: return bits == 8 || bits == 16;
    }
    return false;
}

// A colour-mapped image needs a usable map. Other types may carry one (the
// format allows it, for display hardware); it is skipped, but its size must
// still make sense since the pixel data starts after it.
std::optional<TgaError> checkColorMap(const TgaHeader& h)
{
    if (h.colorMapType > 1)
        return TgaError::BadColorMapSpec;
    bool mapped = h.kind() == TgaHeader::Kind::ColorMapped;
    if (mapped && h.colorMapType != 1)
        return TgaError::BadColorMapSpec;
    if (h.colorMapType == 1 && (h.colorMapLength == 0 || !isMapEntryDepth(h.colorMapEntryBits)))
        return TgaError::BadColorMapSpec;
    return std::nullopt;
}

std::optional<TgaError> checkFields(const TgaHeader& h, std::uint64_t maxPixels)
{
    if (!isKnownImageType(h.imageType))
        return TgaError::UnsupportedImageType;
    if ((h.descriptor & 0xC0) != 0)
        return TgaError::InterleavedRows;
    if (auto mapError = checkColorMap(h))
        return mapError;
    if (!depthSuitsKind(h.kind(), h.pixelBits))
        return TgaError::UnsupportedPixelDepth;
    if (h.width == 0 || h.height == 0)
        return TgaError::ZeroDimension;
    if (h.pixelCount() > maxPixels)
        return TgaError::TooManyPixels;
    return std::nullopt;
}

} // namespace

TgaHeader::Kind TgaHeader::kind() const
{
    switch (imageType & 7) {
    case 1: return Kind::ColorMapped;
    case 3: return Kind::Greyscale;
    default: return Kind::TrueColor;
    }
}

std::size_t TgaHeader::colorMapBytes() const
{
    if (colorMapType != 1)
        return 0;
    return std::size_t{colorMapLength} * static_cast<std::size_t>(bytesPerMapEntry());
}

Expected<TgaHeader, TgaError> TgaHeader::parse(std::span<const std::uint8_t> file,
                                               std::uint64_t maxPixels)
{
    if (file.size() < kSize)
        return unexpected(TgaError::TruncatedHeader);
    const std::uint8_t* p = file.data();
    TgaHeader h;
    h.idLength = p[0];
    h.colorMapType = p[1];
    h.imageType = p[2];
    h.colorMapFirst = readU16(p + 3);
    h.colorMapLength = readU16(p + 5);
    h.colorMapEntryBits = p[7];
    // Bytes 8-11 are the screen origin, which says nothing about the pixels.
    h.width = readU16(p + 12);
    h.height = readU16(p + 14);
    h.pixelBits = p[16];
    h.descriptor = p[17];

    if (auto error = checkFields(h, maxPixels))
        return unexpected(*error);
    if (file.size() < h.colorMapOffset())
        return unexpected(TgaError::TruncatedHeader);
    if (file.size() < h.pixelDataOffset())
        return unexpected(TgaError::TruncatedColorMap);
    return h;
}

} // namespace pellora
