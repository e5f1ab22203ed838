#include "checks/TgaDecodeCheck.h"

#include "platform/TgaDecoder.h"

#include <turbojpeg.h>

#include <cstring>
#include <memory>
#include <vector>

namespace pellora::fuzz {

namespace {

constexpr std::size_t kWidthOffset = 12, kHeightOffset = 14, kDescriptorOffset = 17;
constexpr std::uint8_t kRightToLeftBit = 0x10, kTopFirstBit = 0x20;

// A heap copy with no slack after the last byte.
class ExactCopy {
public:
    explicit ExactCopy(std::span<const std::uint8_t> bytes)
        : size_(bytes.size()), data_(new std::uint8_t[bytes.size()])
    {
        if (size_ > 0)
            std::memcpy(data_.get(), bytes.data(), size_);
    }
    std::span<const std::uint8_t> span() const { return {data_.get(), size_}; }
    std::uint8_t* data() { return data_.get(); }

private:
    std::size_t size_;
    std::unique_ptr<std::uint8_t[]> data_;
};

int bytesPerPixel(int pixelFormat)
{
    switch (pixelFormat) {
    case TJPF_BGR: return 3;
    case TJPF_BGRX: return 4;
    case TJPF_GRAY: return 1;
    default: return 0;
    }
}

unsigned readU16(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return bytes[offset] | (bytes[offset + 1] << 8);
}

const std::uint8_t* rowInMemory(const PixelView& view, int pictureRow)
{
    int memoryRow = view.bottomUp ? view.height - 1 - pictureRow : pictureRow;
    return view.data + static_cast<std::ptrdiff_t>(view.pitch) * memoryRow;
}

bool inside(const std::uint8_t* first, std::size_t length, std::span<const std::uint8_t> area)
{
    return first >= area.data() && first <= area.data() + area.size()
        && length <= static_cast<std::size_t>(area.data() + area.size() - first);
}

std::optional<std::string> checkShape(const TgaImage& image, std::span<const std::uint8_t> file)
{
    const PixelView& view = image.view();
    const int bpp = bytesPerPixel(view.pixelFormat);
    if (bpp == 0)
        return "unknown pixel format " + std::to_string(view.pixelFormat);
    if (view.width != static_cast<int>(readU16(file, kWidthOffset))
        || view.height != static_cast<int>(readU16(file, kHeightOffset)))
        return "picture is " + std::to_string(view.width) + "x" + std::to_string(view.height)
            + ", header says otherwise";
    if (image.width() != view.width || image.height() != view.height)
        return "image and its view disagree on the size";
    if (view.data == nullptr || view.pitch < view.width * bpp)
        return "rows overlap: pitch " + std::to_string(view.pitch);
    if (!image.ownsPixels()) {
        const std::size_t rowBytes = static_cast<std::size_t>(view.width) * bpp;
        for (int y = 0; y < view.height; ++y) {
            if (!inside(rowInMemory(view, y), rowBytes, file))
                return "borrowed row " + std::to_string(y) + " lies outside the input";
        }
    }
    return std::nullopt;
}

// Reads every byte of every row; a row past its storage trips AddressSanitizer.
std::uint64_t sumOfRows(const PixelView& view)
{
    const std::size_t rowBytes = static_cast<std::size_t>(view.width) * bytesPerPixel(view.pixelFormat);
    std::uint64_t sum = 0;
    for (int y = 0; y < view.height; ++y) {
        const std::uint8_t* row = rowInMemory(view, y);
        for (std::size_t i = 0; i < rowBytes; ++i)
            sum += row[i];
    }
    return sum;
}

// Pixel (x, y) of the picture as seen, x from the left, y from the top.
const std::uint8_t* pixelAt(const PixelView& view, int x, int y)
{
    return rowInMemory(view, y) + static_cast<std::ptrdiff_t>(x) * bytesPerPixel(view.pixelFormat);
}

// Flipping an origin bit of the header must mirror the decoded picture along
// that axis and change nothing else.
std::optional<std::string> checkOriginBit(const PixelView& original, std::span<const std::uint8_t> file,
                                          std::uint8_t bit)
{
    ExactCopy flipped(file);
    flipped.data()[kDescriptorOffset] ^= bit;
    auto other = TgaDecoder::decode(flipped.span());
    const std::string which = bit == kRightToLeftBit ? "right-to-left" : "top-first";
    if (!other)
        return "flipping the " + which + " bit made the file fail: " + describe(other.error());
    const PixelView& view = other->view();
    if (view.width != original.width || view.height != original.height
        || view.pixelFormat != original.pixelFormat)
        return "flipping the " + which + " bit changed the picture's shape";
    const int bpp = bytesPerPixel(view.pixelFormat);
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
            int mx = bit == kRightToLeftBit ? view.width - 1 - x : x;
            int my = bit == kTopFirstBit ? view.height - 1 - y : y;
            if (std::memcmp(pixelAt(original, x, y), pixelAt(view, mx, my), static_cast<std::size_t>(bpp)) != 0)
                return "flipping the " + which + " bit did not mirror pixel (" + std::to_string(x) + ", "
                    + std::to_string(y) + ")";
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> TgaDecodeCheck::run(std::span<const std::uint8_t> input)
{
    ExactCopy file(input);
    auto image = TgaDecoder::decode(file.span());
    if (!image) {
        const char* reason = describe(image.error());
        if (reason == nullptr || *reason == '\0')
            return "a refusal without a reason";
        return std::nullopt;
    }
    if (auto problem = checkShape(*image, file.span()))
        return problem;
    volatile std::uint64_t sink = sumOfRows(image->view());
    (void)sink;
    for (std::uint8_t bit : {kRightToLeftBit, kTopFirstBit}) {
        if (auto problem = checkOriginBit(image->view(), file.span(), bit))
            return problem;
    }
    return std::nullopt;
}

} // namespace pellora::fuzz
