#pragma once

#include "platform/jpeg/PixelFormat.h"
#include "support/TgaBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace pellora::test {

// Every layout the decoder accepts, with the row format it hands on.
struct TgaLayout {
    const char* name;
    TgaKind kind;
    int pixelBits;
    int mapEntryBits;
    PixelFormat expectedFormat;
};

const std::vector<TgaLayout>& tgaLayouts();
// Names the layout in test output, instead of dumping its bytes.
void PrintTo(const TgaLayout& layout, std::ostream* out);

// The origins a header can give: descriptor bits 4 (right to left) and 5 (top row first).
constexpr int kOriginBits[] = {0x00, 0x10, 0x20, 0x30};
std::string originName(int originBits);

// A test name for one layout, packing and origin.
std::string layoutCaseName(const ::testing::TestParamInfo<std::tuple<TgaLayout, bool, int>>& info);

// A picture that each layout can hold exactly: colours from 5-bit levels, so
// 15/16-bit files hold them; every level in every channel. A flat band wider
// than a scan line's remainder makes run-length packets cross rows; alpha
// varies, including 0.
TgaPicture layoutPicture(TgaKind kind, int width = 133, int height = 6);

// The layout written with an image ID, a raised first colour-map entry and a
// TGA 2.0 footer after the pixels, which the decoder must ignore.
TgaSpec formatFor(const TgaLayout& layout, bool runLength, int originBits);

} // namespace pellora::test
