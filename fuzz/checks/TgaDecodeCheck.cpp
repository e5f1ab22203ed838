#include "checks/TgaDecodeCheck.h"

#include "checks/DecodeTgaInMemory.h"

#include <cstring>
#include <vector>

namespace pellora::fuzz {

namespace {

constexpr std::size_t kWidthOffset = 12, kHeightOffset = 14, kDescriptorOffset = 17;
constexpr std::uint8_t kRightToLeftBit = 0x10, kTopFirstBit = 0x20;
// The smallest strip there is: every row crosses strip boundaries.
constexpr std::size_t kTinyStrips = 4096;

unsigned readU16(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return bytes[offset] | (bytes[offset + 1] << 8);
}

std::optional<std::string> checkShape(const DecodedTga& picture, std::span<const std::uint8_t> file)
{
    if (picture.width != static_cast<int>(readU16(file, kWidthOffset))
        || picture.height != static_cast<int>(readU16(file, kHeightOffset)))
        return "picture is " + std::to_string(picture.width) + "x" + std::to_string(picture.height)
            + ", header says otherwise";
    if (picture.pixels.size() != picture.rowBytes() * static_cast<std::size_t>(picture.height))
        return "rows are missing";
    return std::nullopt;
}

// Pixel (x, y) of the picture as seen, x from the left, y from the top.
const std::uint8_t* pixelAt(const DecodedTga& picture, int x, int y)
{
    return picture.row(y) + static_cast<std::ptrdiff_t>(x) * bytesPerPixel(picture.format);
}

// Flipping an origin bit of the header must mirror the decoded picture along
// that axis and change nothing else.
std::optional<std::string> checkOriginBit(const DecodedTga& original, std::span<const std::uint8_t> file,
                                          std::uint8_t bit)
{
    std::vector<std::uint8_t> flipped(file.begin(), file.end());
    flipped[kDescriptorOffset] ^= bit;
    auto other = decodeTgaInMemory(flipped);
    const std::string which = bit == kRightToLeftBit ? "right-to-left" : "top-first";
    if (!other)
        return "flipping the " + which + " bit made the file fail: " + describeFailure(other.error());
    if (other->width != original.width || other->height != original.height || other->format != original.format)
        return "flipping the " + which + " bit changed the picture's shape";
    const std::size_t bpp = static_cast<std::size_t>(bytesPerPixel(original.format));
    for (int y = 0; y < original.height; ++y) {
        for (int x = 0; x < original.width; ++x) {
            int mx = bit == kRightToLeftBit ? original.width - 1 - x : x;
            int my = bit == kTopFirstBit ? original.height - 1 - y : y;
            if (std::memcmp(pixelAt(original, x, y), pixelAt(*other, mx, my), bpp) != 0)
                return "flipping the " + which + " bit did not mirror pixel (" + std::to_string(x) + ", "
                    + std::to_string(y) + ")";
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> TgaDecodeCheck::run(std::span<const std::uint8_t> input)
{
    auto picture = decodeTgaInMemory(input);
    auto inTinyStrips = decodeTgaInMemory(input, kTinyStrips);
    if (picture.has_value() != inTinyStrips.has_value())
        return "the strip size decided whether the file decodes";
    if (!picture) {
        if (picture.error().cause != FailureCause::BadTga)
            return "a refusal for another cause than the file's content: " + describeFailure(picture.error());
        const char* reason = describe(picture.error().tga);
        if (reason == nullptr || *reason == '\0')
            return "a refusal without a reason";
        return std::nullopt;
    }
    if (picture->pixels != inTinyStrips->pixels)
        return "the strip size changed the picture";
    if (auto problem = checkShape(*picture, input))
        return problem;
    for (std::uint8_t bit : {kRightToLeftBit, kTopFirstBit}) {
        if (auto problem = checkOriginBit(*picture, input, bit))
            return problem;
    }
    return std::nullopt;
}

} // namespace pellora::fuzz
