#include "platform/JpegEncoder.h"

#include <gtest/gtest.h>
#include <vector>

namespace pellora {
namespace {

// Reads the quantisation table's first value: the clamp shows in the tables.
int firstLumaQuantValue(std::span<const std::uint8_t> jpeg)
{
    for (size_t i = 0; i + 5 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDB)
            return jpeg[i + 5];
    return -1;
}

std::vector<std::uint8_t> encode(JpegEncoder& encoder, const PixelView& view, int quality)
{
    auto result = encoder.encode(view, quality);
    EXPECT_TRUE(result.has_value()) << (result ? "" : result.error());
    return result ? std::vector<std::uint8_t>(result->begin(), result->end()) : std::vector<std::uint8_t>{};
}

TEST(JpegEncoder, ClampsQualityLikeTheIjgSetting)
{
    EXPECT_EQ(JpegEncoder::clampQuality(0), 1);
    EXPECT_EQ(JpegEncoder::clampQuality(1), 1);
    EXPECT_EQ(JpegEncoder::clampQuality(100), 100);
    EXPECT_EQ(JpegEncoder::clampQuality(255), 100);

    std::vector<std::uint8_t> pixels(16 * 16 * 4, 128);
    PixelView view{pixels.data(), 16, 16, 64, TJPF_BGRX, false};
    JpegEncoder encoder;
    const int q1 = firstLumaQuantValue(encode(encoder, view, 1));
    const int q100 = firstLumaQuantValue(encode(encoder, view, 100));
    EXPECT_EQ(firstLumaQuantValue(encode(encoder, view, 0)), q1);
    EXPECT_EQ(firstLumaQuantValue(encode(encoder, view, 200)), q100);
    EXPECT_EQ(q100, 1);
    EXPECT_GT(q1, 100);
}

TEST(JpegEncoder, BottomUpRowsGiveTheSamePictureAsTopDown)
{
    const int w = 32, h = 24;
    std::vector<std::uint8_t> topDown(w * h * 3), bottomUp(w * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            topDown[y * w * 3 + x] = bottomUp[(h - 1 - y) * w * 3 + x] = static_cast<std::uint8_t>(x * 3 + y * 7);
    JpegEncoder encoder;
    const auto a = encode(encoder, PixelView{topDown.data(), w, h, w * 3, TJPF_BGR, false}, 90);
    const auto b = encode(encoder, PixelView{bottomUp.data(), w, h, w * 3, TJPF_BGR, true}, 90);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a.empty());
}

TEST(JpegEncoder, ReusesItsBufferAcrossSizes)
{
    JpegEncoder encoder;
    std::vector<std::uint8_t> big(256 * 256, 50), small(8 * 8, 200);
    const auto first = encode(encoder, PixelView{big.data(), 256, 256, 256, TJPF_GRAY, false}, 75);
    const auto second = encode(encoder, PixelView{small.data(), 8, 8, 8, TJPF_GRAY, false}, 75);
    const auto third = encode(encoder, PixelView{big.data(), 256, 256, 256, TJPF_GRAY, false}, 75);
    EXPECT_EQ(first, third);
    EXPECT_NE(first, second);
}

} // namespace
} // namespace pellora
