#include "platform/TgaDecoder.h"
#include "support/TgaBuilder.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <string>
#include <tuple>
#include <vector>

namespace pellora {
namespace {

using test::Bgra;
using test::TgaKind;
using test::TgaPicture;
using test::TgaSpec;
namespace tga = test::tga;
using Bytes = std::vector<std::uint8_t>;

Expected<TgaImage, TgaError> decode(const Bytes& file)
{
    return TgaDecoder::decode(std::span<const std::uint8_t>(file.data(), file.size()));
}

// Colours from 5-bit levels, so 15/16-bit files hold them exactly; every level
// appears in every channel. A flat band wider than a scan line's remainder
// makes run-length packets cross rows; alpha varies, including 0.
TgaPicture samplePicture(TgaKind kind, int width = 133, int height = 6)
{
    TgaPicture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool flat = x >= 90 || y == 3;
            int q = flat ? 17 : (x * 5 + y * 11) % 32;
            if (kind == TgaKind::ColorMapped)
                q %= 20; // stays well inside an 8-bit index with a raised first entry
            Bgra p{test::fiveBitLevel(q), test::fiveBitLevel((q + 9) % 32),
                   test::fiveBitLevel((q + 21) % 32), std::uint8_t((x * 37 + y) % 256)};
            if (kind == TgaKind::Greyscale)
                p.b = p.r = p.g;
            if (kind == TgaKind::ColorMapped)
                p.a = std::uint8_t(q * 13); // one alpha per colour keeps the map small
            picture.at(x, y) = p;
        }
    }
    return picture;
}

struct Variant {
    const char* name;
    TgaKind kind;
    int pixelBits;
    int mapEntryBits;
    int expectedFormat;
};

const Variant kVariants[] = {
    {"Mapped8Entry15", TgaKind::ColorMapped, 8, 15, TJPF_BGRX},
    {"Mapped8Entry16", TgaKind::ColorMapped, 8, 16, TJPF_BGRX},
    {"Mapped8Entry24", TgaKind::ColorMapped, 8, 24, TJPF_BGRX},
    {"Mapped8Entry32", TgaKind::ColorMapped, 8, 32, TJPF_BGRX},
    {"Mapped16Entry24", TgaKind::ColorMapped, 16, 24, TJPF_BGRX},
    {"True15", TgaKind::TrueColor, 15, 0, TJPF_BGRX},
    {"True16", TgaKind::TrueColor, 16, 0, TJPF_BGRX},
    {"True24", TgaKind::TrueColor, 24, 0, TJPF_BGR},
    {"True32", TgaKind::TrueColor, 32, 0, TJPF_BGRX},
    {"Grey8", TgaKind::Greyscale, 8, 0, TJPF_GRAY},
    {"Grey16", TgaKind::Greyscale, 16, 0, TJPF_GRAY},
};

TgaSpec formatFor(const Variant& v, bool runLength, int originBits)
{
    TgaSpec format;
    format.kind = v.kind;
    format.pixelBits = v.pixelBits;
    format.mapEntryBits = v.mapEntryBits;
    // A raised first entry; with 16-bit indices, one whose values need both bytes.
    if (v.kind == TgaKind::ColorMapped)
        format.mapFirstIndex = v.pixelBits == 16 ? 1000 : 200;
    format.runLength = runLength;
    format.topFirst = (originBits & 0x20) != 0;
    format.rightToLeft = (originBits & 0x10) != 0;
    format.id = "shot-id";
    // A TGA 2.0 footer after the pixels must be ignored.
    format.trailer = Bytes(8, 0);
    const char signature[] = "TRUEVISION-XFILE.";
    format.trailer.insert(format.trailer.end(), signature, signature + sizeof signature);
    return format;
}

class TgaVariantTest : public ::testing::TestWithParam<std::tuple<Variant, bool, int>> {};

TEST_P(TgaVariantTest, DecodesThePictureTheHeaderDescribes)
{
    auto [variant, runLength, originBits] = GetParam();
    TgaPicture picture = samplePicture(variant.kind);
    TgaSpec format = formatFor(variant, runLength, originBits);
    Bytes file = test::buildTga(picture, format);

    auto image = decode(file);
    ASSERT_TRUE(image) << describe(image.error());
    EXPECT_EQ(image->view().pixelFormat, variant.expectedFormat);
    EXPECT_EQ(image->width(), picture.width);
    EXPECT_EQ(image->height(), picture.height);
    EXPECT_TRUE(test::pictureFromView(image->view()) == test::opaque(picture));
}

std::string variantName(const ::testing::TestParamInfo<TgaVariantTest::ParamType>& info)
{
    auto [variant, runLength, originBits] = info.param;
    static const char* origins[] = {"BottomLeft", "BottomRight", "TopLeft", "TopRight"};
    return std::string(variant.name) + (runLength ? "Rle" : "Raw") + origins[originBits >> 4];
}

INSTANTIATE_TEST_SUITE_P(AllVariants, TgaVariantTest,
                         ::testing::Combine(::testing::ValuesIn(kVariants), ::testing::Bool(),
                                            ::testing::Values(0x00, 0x10, 0x20, 0x30)),
                         variantName);

// --- Zero copy -------------------------------------------------------------

TEST(TgaDecoderBorrowTest, UncompressedLeftToRightTrueColourBorrowsTheFile)
{
    for (int bits : {24, 32}) {
        for (bool topFirst : {false, true}) {
            SCOPED_TRACE("bits " + std::to_string(bits) + (topFirst ? " top-first" : " bottom-first"));
            TgaSpec format;
            format.pixelBits = bits;
            format.topFirst = topFirst;
            format.id = "abc";
            TgaPicture picture = samplePicture(TgaKind::TrueColor, 7, 3);
            Bytes file = test::buildTga(picture, format);

            auto image = decode(file);
            ASSERT_TRUE(image) << describe(image.error());
            EXPECT_FALSE(image->ownsPixels());
            EXPECT_EQ(image->view().data, file.data() + tga::kHeaderSize + 3);
            EXPECT_EQ(image->view().pitch, 7 * bits / 8);
            EXPECT_EQ(image->view().bottomUp, !topFirst);
            EXPECT_TRUE(test::pictureFromView(image->view()) == test::opaque(picture));
        }
    }
}

TEST(TgaDecoderBorrowTest, RowsThatNeedWorkAreOwnedTopDown)
{
    TgaSpec mirrored;
    mirrored.rightToLeft = true;
    TgaSpec packed;
    packed.runLength = true;
    packed.pixelBits = 32;
    for (const TgaSpec& format : {mirrored, packed}) {
        auto image = decode(test::buildTga(samplePicture(TgaKind::TrueColor, 9, 4), format));
        ASSERT_TRUE(image) << describe(image.error());
        EXPECT_TRUE(image->ownsPixels());
        EXPECT_FALSE(image->view().bottomUp);
    }
}

TEST(TgaDecoderBorrowTest, OwnedImageKeepsItsRowsWhenMoved)
{
    TgaSpec format;
    format.runLength = true;
    TgaPicture picture = samplePicture(TgaKind::TrueColor, 9, 4);
    auto decoded = decode(test::buildTga(picture, format));
    ASSERT_TRUE(decoded);
    TgaImage moved = std::move(decoded).value();
    EXPECT_TRUE(test::pictureFromView(moved.view()) == test::opaque(picture));
}

// --- Content details ---------------------------------------------------------

TEST(TgaDecoderContentTest, ThirtyTwoBitColoursSurviveZeroAlpha)
{
    TgaPicture picture = samplePicture(TgaKind::TrueColor, 10, 3);
    for (Bgra& p : picture.pixels)
        p.a = 0;
    for (bool runLength : {false, true}) {
        TgaSpec format;
        format.pixelBits = 32;
        format.runLength = runLength;
        Bytes file = test::buildTga(picture, format); // an uncompressed image borrows it
        auto image = decode(file);
        ASSERT_TRUE(image) << describe(image.error());
        EXPECT_EQ(image->view().pixelFormat, TJPF_BGRX);
        EXPECT_TRUE(test::pictureFromView(image->view()) == test::opaque(picture));
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
    TgaPicture got = test::pictureFromView(image->view());
    EXPECT_EQ(got.at(0, 0), (Bgra{255, 0, 0, 255}));
    EXPECT_EQ(got.at(1, 0), (Bgra{0, 8, 0, 255}));
    EXPECT_EQ(got.at(2, 0), (Bgra{0, 0, 132, 255}));
    EXPECT_EQ(got.at(3, 0), (Bgra{24, 24, 24, 255}));
}

TEST(TgaDecoderContentTest, ColourMapInATrueColourFileIsSkipped)
{
    TgaPicture picture = samplePicture(TgaKind::TrueColor, 5, 2);
    Bytes file = test::buildTga(picture, TgaSpec{});
    file[tga::kColorMapType] = 1;
    tga::putU16(file, tga::kMapLength, 2);
    file[tga::kMapEntryBits] = 24;
    file.insert(file.begin() + tga::kHeaderSize, {1, 2, 3, 4, 5, 6});
    auto image = decode(file);
    ASSERT_TRUE(image) << describe(image.error());
    EXPECT_TRUE(test::pictureFromView(image->view()) == test::opaque(picture));
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
    return test::buildTga(samplePicture(format.kind, 6, 3), format);
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

    TgaPicture noisy = samplePicture(TgaKind::TrueColor, 4, 2);
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
    for (const Variant& v : kVariants)
        for (bool runLength : {false, true})
            formats.push_back(formatFor(v, runLength, 0x00));
    for (const TgaSpec& format : formats) {
        TgaSpec noTrailer = format;
        noTrailer.trailer.clear();
        Bytes file = test::buildTga(samplePicture(format.kind, 9, 3), noTrailer);
        for (std::size_t size = 0; size < file.size(); ++size) {
            Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(size));
            auto image = decode(cut);
            ASSERT_FALSE(image) << "bits " << format.pixelBits << " rle " << format.runLength
                                << " decoded at " << size << " of " << file.size() << " bytes";
        }
    }
}

} // namespace
} // namespace pellora
