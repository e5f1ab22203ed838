#include "checks/DecodeTgaInMemory.h"
#include "support/TgaLayouts.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace pellora {
namespace {

using test::Bgra;
using test::TgaKind;
using test::TgaPicture;
using test::TgaSpec;
namespace tga = test::tga;
using Bytes = std::vector<std::uint8_t>;

Expected<fuzz::DecodedTga, TgaError> decode(const Bytes& file, std::size_t stripBytes = TgaRowSource::kStripBytes)
{
    auto decoded = fuzz::decodeTgaInMemory(file, stripBytes);
    if (decoded)
        return std::move(*decoded);
    EXPECT_EQ(decoded.error().cause, FailureCause::BadTga) << fuzz::describeFailure(decoded.error());
    return unexpected(decoded.error().tga);
}

class TgaVariantTest : public ::testing::TestWithParam<std::tuple<test::TgaLayout, bool, int>> {};

TEST_P(TgaVariantTest, DecodesThePictureTheHeaderDescribes)
{
    auto [layout, runLength, originBits] = GetParam();
    TgaPicture picture = test::layoutPicture(layout.kind);
    Bytes file = test::buildTga(picture, test::formatFor(layout, runLength, originBits));

    auto image = decode(file);
    ASSERT_TRUE(image) << describe(image.error());
    EXPECT_EQ(image->format, layout.expectedFormat);
    EXPECT_EQ(image->width, picture.width);
    EXPECT_EQ(image->height, picture.height);
    EXPECT_TRUE(test::pictureOf(*image) == test::opaque(picture));
}

// Rows and run-length packets that cross strip boundaries, and bottom-up
// run-length files read in many strips from the end: the smallest strips
// there are, at several sizes so that boundaries fall everywhere.
TEST_P(TgaVariantTest, StripBoundariesChangeNothing)
{
    auto [layout, runLength, originBits] = GetParam();
    TgaPicture picture = test::layoutPicture(layout.kind, 301, 47);
    Bytes file = test::buildTga(picture, test::formatFor(layout, runLength, originBits));
    for (std::size_t strip : {std::size_t{4096}, std::size_t{8192}, std::size_t{12288}}) {
        SCOPED_TRACE("strip " + std::to_string(strip));
        auto image = decode(file, strip);
        ASSERT_TRUE(image) << describe(image.error());
        EXPECT_TRUE(test::pictureOf(*image) == test::opaque(picture));
    }
}

INSTANTIATE_TEST_SUITE_P(AllVariants, TgaVariantTest,
                         ::testing::Combine(::testing::ValuesIn(test::tgaLayouts()), ::testing::Bool(),
                                            ::testing::ValuesIn(test::kOriginBits)),
                         test::layoutCaseName);

// --- Content details ---------------------------------------------------------

TEST(TgaDecoderContentTest, ThirtyTwoBitColoursSurviveZeroAlpha)
{
    TgaPicture picture = test::layoutPicture(TgaKind::TrueColor, 10, 3);
    for (Bgra& p : picture.pixels)
        p.a = 0;
    for (bool runLength : {false, true}) {
        TgaSpec format;
        format.pixelBits = 32;
        format.runLength = runLength;
        Bytes file = test::buildTga(picture, format); // an uncompressed image borrows it
        auto image = decode(file);
        ASSERT_TRUE(image) << describe(image.error());
        EXPECT_EQ(image->format, PixelFormat::Bgrx);
        EXPECT_TRUE(test::pictureOf(*image) == test::opaque(picture));
    }
}

TEST(TgaDecoderContentTest, FiveBitChannelsWidenWithTheirTopBits)
{
    // Raw 16-bit pixels 0x001F (blue 31), 0x0020 (green 1), 0x4000 (red 16), 0x8C63 (3,3,3 + alpha bit).
    Bytes file(tga::kHeaderSize, 0);
    file[tga::kImageType] = 2;
    tga::putU16(file, tga::kWidth, 4);
    tga::putU16(file, tga::kHeight, 1);
    file[tga::kPixelBits] = 16;
    file.insert(file.end(), {0x1F, 0x00, 0x20, 0x00, 0x00, 0x40, 0x63, 0x8C});
    auto image = decode(file);
    ASSERT_TRUE(image) << describe(image.error());
    TgaPicture got = test::pictureOf(*image);
    EXPECT_EQ(got.at(0, 0), (Bgra{255, 0, 0, 255}));
    EXPECT_EQ(got.at(1, 0), (Bgra{0, 8, 0, 255}));
    EXPECT_EQ(got.at(2, 0), (Bgra{0, 0, 132, 255}));
    EXPECT_EQ(got.at(3, 0), (Bgra{24, 24, 24, 255}));
}

TEST(TgaDecoderContentTest, ColourMapInATrueColourFileIsSkipped)
{
    TgaPicture picture = test::layoutPicture(TgaKind::TrueColor, 5, 2);
    Bytes file = test::buildTga(picture, TgaSpec{});
    file[tga::kColorMapType] = 1;
    tga::putU16(file, tga::kMapLength, 2);
    file[tga::kMapEntryBits] = 24;
    file.insert(file.begin() + tga::kHeaderSize, {1, 2, 3, 4, 5, 6});
    auto image = decode(file);
    ASSERT_TRUE(image) << describe(image.error());
    EXPECT_TRUE(test::pictureOf(*image) == test::opaque(picture));
}

// --- Every packet length -----------------------------------------------------

// Every packet length there is, 1 to 128, as a repeat packet and then as a
// raw one. The pixel bytes run on from one counter, so neighbours differ and
// one pixel taken too many or too few shifts every pixel after it.
Bytes everyPacketLength(int bytesPerPixel)
{
    Bytes packets;
    std::uint32_t state = 1;
    auto nextByte = [&state] {
        state = state * 1103515245u + 12345u;
        return std::uint8_t(state >> 16);
    };
    for (int length = 1; length <= 128; ++length) {
        for (bool repeat : {true, false}) {
            packets.push_back(std::uint8_t((repeat ? 0x80 : 0x00) | (length - 1)));
            for (int i = 0; i < (repeat ? 1 : length) * bytesPerPixel; ++i)
                packets.push_back(nextByte());
        }
    }
    return packets;
}

constexpr int kEveryPacketLengthPixels = 2 * 128 * 129 / 2;

Bgra referenceColour(const std::uint8_t* pixel, bool grey, int pixelBits)
{
    if (grey)
        return Bgra{pixel[0], pixel[0], pixel[0], 255};
    if (pixelBits == 16) {
        const unsigned v = pixel[0] | unsigned(pixel[1]) << 8;
        return Bgra{test::fiveBitLevel(v & 31), test::fiveBitLevel(v >> 5 & 31), test::fiveBitLevel(v >> 10 & 31), 255};
    }
    return Bgra{pixel[0], pixel[1], pixel[2], 255};
}

// The picture a run-length true-colour or greyscale file describes, decoded
// as plainly as can be and sharing no code with the decoder under test: the
// whole file in memory, one packet after another, each pixel then put where
// the header's origin says.
TgaPicture referenceDecode(const Bytes& file)
{
    const int width = file[tga::kWidth] | file[tga::kWidth + 1] << 8;
    const int height = file[tga::kHeight] | file[tga::kHeight + 1] << 8;
    const int pixelBits = file[tga::kPixelBits];
    const int bytesPerPixel = (pixelBits + 7) / 8;
    const bool grey = (file[tga::kImageType] & 7) == 3;
    std::vector<const std::uint8_t*> stored; // each pixel's bytes, in the order the file holds them
    std::size_t at = tga::pixelDataOffset(file);
    while (stored.size() < std::size_t(width) * std::size_t(height)) {
        const std::uint8_t header = file.at(at++);
        const bool repeat = (header & 0x80) != 0;
        for (int i = 0; i <= (header & 0x7F); ++i) {
            stored.push_back(&file.at(at));
            if (!repeat)
                at += std::size_t(bytesPerPixel);
        }
        if (repeat)
            at += std::size_t(bytesPerPixel);
    }
    TgaPicture picture(width, height);
    for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i) {
        const int row = int(i / std::size_t(width)), column = int(i % std::size_t(width));
        const int y = file[tga::kDescriptor] & 0x20 ? row : height - 1 - row;
        const int x = file[tga::kDescriptor] & 0x10 ? width - 1 - column : column;
        picture.at(x, y) = referenceColour(stored[i], grey, pixelBits);
    }
    return picture;
}

std::string firstDifference(const TgaPicture& got, const TgaPicture& expected)
{
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (!(got.at(x, y) == expected.at(x, y)))
                return "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "same";
}

// A decoder that miscounts a single packet length, or loses its place where
// a packet runs on into the next row or the next strip of the file, shows a
// shifted picture from that packet on. Each pixel size, in files read from
// the top row and from the bottom row; 43 pixels wide a long packet spans
// three rows, 129 wide nearly every row starts inside a packet.
TEST(TgaDecoderRunLengthTest, EveryPacketLengthRawAndRepeatForEveryPixelSize)
{
    const struct {
        const char* name;
        TgaKind kind;
        int pixelBits;
    } depths[] = {
        {"Grey8", TgaKind::Greyscale, 8},  {"Grey16", TgaKind::Greyscale, 16}, {"True16", TgaKind::TrueColor, 16},
        {"True24", TgaKind::TrueColor, 24}, {"True32", TgaKind::TrueColor, 32},
    };
    const std::pair<int, int> sizes[] = {{43, kEveryPacketLengthPixels / 43}, {129, kEveryPacketLengthPixels / 129}};
    for (const auto& depth : depths) {
        const Bytes packets = everyPacketLength((depth.pixelBits + 7) / 8);
        for (const auto& [width, height] : sizes) {
            ASSERT_EQ(width * height, kEveryPacketLengthPixels);
            for (const int originBits : test::kOriginBits) {
                TgaSpec format;
                format.kind = depth.kind;
                format.pixelBits = depth.pixelBits;
                format.topFirst = (originBits & 0x20) != 0;
                format.rightToLeft = (originBits & 0x10) != 0;
                const Bytes file = test::buildTgaFromPackets(format, width, height, packets);
                const TgaPicture expected = referenceDecode(file);
                for (const std::size_t strip : {std::size_t{4096}, std::size_t{8192}, TgaRowSource::kStripBytes}) {
                    SCOPED_TRACE(std::string(depth.name) + " " + std::to_string(width) + " wide " +
                                 test::originName(originBits) + ", strip " + std::to_string(strip));
                    auto image = decode(file, strip);
                    ASSERT_TRUE(image) << describe(image.error());
                    const TgaPicture got = test::pictureOf(*image);
                    EXPECT_TRUE(got == expected) << firstDifference(got, expected);
                }
            }
        }
    }
}

// --- Refusals ----------------------------------------------------------------

void expectRefused(const Bytes& file, TgaError expected)
{
    auto image = decode(file);
    ASSERT_FALSE(image) << "decoded although it should fail with: " << describe(expected);
    EXPECT_EQ(image.error(), expected) << "got: " << describe(image.error())
                                       << "; expected: " << describe(expected);
}

Bytes smallFile(TgaSpec format = {})
{
    return test::buildTga(test::layoutPicture(format.kind, 6, 3), format);
}

Bytes headerOnly(int width, int height, int imageType = 2, int bits = 24)
{
    Bytes file(tga::kHeaderSize, 0);
    file[tga::kImageType] = std::uint8_t(imageType);
    tga::putU16(file, tga::kWidth, unsigned(width));
    tga::putU16(file, tga::kHeight, unsigned(height));
    file[tga::kPixelBits] = std::uint8_t(bits);
    return file;
}

TgaSpec mappedFormat(bool runLength = false)
{
    TgaSpec format;
    format.kind = TgaKind::ColorMapped;
    format.pixelBits = 8;
    format.runLength = runLength;
    return format;
}

TEST(TgaDecoderRefusalTest, TruncatedHeaderOrId)
{
    expectRefused({}, TgaError::TruncatedHeader);
    Bytes file = smallFile();
    expectRefused(Bytes(file.begin(), file.begin() + 17), TgaError::TruncatedHeader);
    Bytes withId = headerOnly(1, 1);
    withId[tga::kIdLength] = 40;
    withId.resize(tga::kHeaderSize + 39);
    expectRefused(withId, TgaError::TruncatedHeader);
}

TEST(TgaDecoderRefusalTest, ZeroDimension)
{
    expectRefused(headerOnly(0, 5), TgaError::ZeroDimension);
    expectRefused(headerOnly(5, 0), TgaError::ZeroDimension);
}

TEST(TgaDecoderRefusalTest, TooManyPixelsBeforeAnyAllocation)
{
    expectRefused(headerOnly(65535, 65535, 2, 32), TgaError::TooManyPixels);
    expectRefused(headerOnly(16384, 16385), TgaError::TooManyPixels);
    // At the limit the header is fine; the missing data is what fails, for
    // both forms, before a gigabyte is reserved for it.
    expectRefused(headerOnly(16384, 16384, 2, 32), TgaError::TruncatedPixels);
    expectRefused(headerOnly(16384, 16384, 10, 32), TgaError::TruncatedPixels);
    expectRefused(headerOnly(16384, 16384, 2, 16), TgaError::TruncatedPixels);
}

TEST(TgaDecoderRefusalTest, UnknownTypeOrDepth)
{
    for (int type : {0, 4, 8, 12, 32, 33, 255})
        expectRefused(headerOnly(2, 2, type), TgaError::UnsupportedImageType);
    for (int bits : {0, 1, 8, 17, 31, 48})
        expectRefused(headerOnly(2, 2, 2, bits), TgaError::UnsupportedPixelDepth);
    for (int bits : {15, 24, 32})
        expectRefused(headerOnly(2, 2, 3, bits), TgaError::UnsupportedPixelDepth);
    Bytes mapped = smallFile(mappedFormat());
    mapped[tga::kPixelBits] = 24;
    expectRefused(mapped, TgaError::UnsupportedPixelDepth);
}

TEST(TgaDecoderRefusalTest, ColourMapInconsistentWithType)
{
    Bytes missing = smallFile(mappedFormat());
    missing[tga::kColorMapType] = 0;
    expectRefused(missing, TgaError::BadColorMapSpec);

    Bytes unknownMapType = smallFile();
    unknownMapType[tga::kColorMapType] = 2;
    expectRefused(unknownMapType, TgaError::BadColorMapSpec);

    Bytes badEntry = smallFile(mappedFormat());
    badEntry[tga::kMapEntryBits] = 8;
    expectRefused(badEntry, TgaError::BadColorMapSpec);

    Bytes empty = smallFile(mappedFormat());
    tga::putU16(empty, tga::kMapLength, 0);
    expectRefused(empty, TgaError::BadColorMapSpec);
}

TEST(TgaDecoderRefusalTest, InterleavedRows)
{
    for (std::uint8_t bits : {0x40, 0x80, 0xC0}) {
        Bytes file = smallFile();
        file[tga::kDescriptor] |= bits;
        expectRefused(file, TgaError::InterleavedRows);
    }
}

TEST(TgaDecoderRefusalTest, TruncatedColourMap)
{
    Bytes file = smallFile(mappedFormat());
    file.resize(tga::pixelDataOffset(file) - 1);
    expectRefused(file, TgaError::TruncatedColorMap);
}

TEST(TgaDecoderRefusalTest, ColourIndexOutsideTheMap)
{
    for (bool runLength : {false, true}) {
        SCOPED_TRACE(runLength ? "run-length" : "uncompressed");
        TgaSpec format = mappedFormat(runLength);
        format.mapFirstIndex = 10;
        Bytes file = smallFile(format);
        std::size_t length = file[tga::kMapLength];
        // Raw pixel data starts with an index byte; an RLE stream with a packet header.
        std::size_t firstIndex = tga::pixelDataOffset(file) + (runLength ? 1 : 0);
        for (std::size_t bad : {std::size_t{0}, std::size_t{9}, 10 + length, std::size_t{255}}) {
            Bytes broken = file;
            broken[firstIndex] = std::uint8_t(bad);
            expectRefused(broken, TgaError::ColorIndexOutOfRange);
        }
    }
}

TEST(TgaDecoderRefusalTest, PacketRunningPastTheImage)
{
    TgaSpec format;
    format.runLength = true;
    TgaPicture flat(4, 2, Bgra{1, 2, 3, 255});
    Bytes run = test::buildTga(flat, format);
    ASSERT_EQ(run[tga::kHeaderSize], 0x80 | 7); // one run of all eight pixels
    run[tga::kHeaderSize] = 0x80 | 8;
    expectRefused(run, TgaError::RunOverflowsImage);

    TgaPicture noisy = test::layoutPicture(TgaKind::TrueColor, 4, 2);
    Bytes raw = test::buildTga(noisy, format);
    ASSERT_EQ(raw[tga::kHeaderSize], 7); // one raw packet of all eight pixels
    raw[tga::kHeaderSize] = 8;
    raw.insert(raw.end(), {9, 9, 9});
    expectRefused(raw, TgaError::RunOverflowsImage);
}

// Every cut through a file fails cleanly; under the sanitizers this also
// proves nothing past the buffer is read.
TEST(TgaDecoderRefusalTest, EveryTruncationFails)
{
    std::vector<TgaSpec> formats;
    for (const test::TgaLayout& layout : test::tgaLayouts())
        for (bool runLength : {false, true})
            formats.push_back(test::formatFor(layout, runLength, 0x00));
    for (const TgaSpec& format : formats) {
        TgaSpec noTrailer = format;
        noTrailer.trailer.clear();
        Bytes file = test::buildTga(test::layoutPicture(format.kind, 9, 3), noTrailer);
        for (std::size_t size = 0; size < file.size(); ++size) {
            Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(size));
            auto image = decode(cut);
            ASSERT_FALSE(image) << "bits " << format.pixelBits << " rle " << format.runLength
                                << " decoded at " << size << " of " << file.size() << " bytes";
        }
    }
}

// A file cut short is refused before a row goes out, whichever strip the cut
// falls in, for files read from the front and from the end.
TEST(TgaDecoderRefusalTest, TruncatedInsideALaterStrip)
{
    for (bool runLength : {false, true}) {
        for (int originBits : {0x00, 0x20}) {
            TgaSpec format = test::formatFor(test::tgaLayouts()[7], runLength, originBits); // True24
            format.trailer.clear();
            Bytes file = test::buildTga(test::layoutPicture(TgaKind::TrueColor, 301, 47), format);
            for (std::size_t cut : {file.size() - 1, file.size() - 5000, file.size() / 2 + 77, std::size_t{4100}}) {
                SCOPED_TRACE("rle " + std::to_string(runLength) + " origin " + std::to_string(originBits) +
                             " cut at " + std::to_string(cut));
                Bytes truncated(file.begin(), file.begin() + std::ptrdiff_t(cut));
                auto image = decode(truncated, 4096);
                ASSERT_FALSE(image);
                EXPECT_EQ(image.error(), TgaError::TruncatedPixels) << describe(image.error());
            }
        }
    }
}

} // namespace
} // namespace pellora
