#include "support/TgaLayouts.h"

namespace pellora::test {

const std::vector<TgaLayout>& tgaLayouts()
{
    static const std::vector<TgaLayout> layouts = {
        {"Mapped8Entry15", TgaKind::ColorMapped, 8, 15, PixelFormat::Bgrx},
        {"Mapped8Entry16", TgaKind::ColorMapped, 8, 16, PixelFormat::Bgrx},
        {"Mapped8Entry24", TgaKind::ColorMapped, 8, 24, PixelFormat::Bgrx},
        {"Mapped8Entry32", TgaKind::ColorMapped, 8, 32, PixelFormat::Bgrx},
        {"Mapped16Entry24", TgaKind::ColorMapped, 16, 24, PixelFormat::Bgrx},
        {"True15", TgaKind::TrueColor, 15, 0, PixelFormat::Bgrx},
        {"True16", TgaKind::TrueColor, 16, 0, PixelFormat::Bgrx},
        {"True24", TgaKind::TrueColor, 24, 0, PixelFormat::Bgr},
        {"True32", TgaKind::TrueColor, 32, 0, PixelFormat::Bgrx},
        {"Grey8", TgaKind::Greyscale, 8, 0, PixelFormat::Gray},
        {"Grey16", TgaKind::Greyscale, 16, 0, PixelFormat::Gray},
    };
    return layouts;
}

void PrintTo(const TgaLayout& layout, std::ostream* out)
{
    *out << layout.name;
}

std::string originName(int originBits)
{
    static const char* names[] = {"BottomLeft", "BottomRight", "TopLeft", "TopRight"};
    return names[(originBits >> 4) & 3];
}

std::string layoutCaseName(const ::testing::TestParamInfo<std::tuple<TgaLayout, bool, int>>& info)
{
    const auto& [layout, runLength, originBits] = info.param;
    return std::string(layout.name) + (runLength ? "Rle" : "Raw") + originName(originBits);
}

TgaPicture layoutPicture(TgaKind kind, int width, int height)
{
    TgaPicture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool flat = x >= 90 || y == 3;
            int q = flat ? 17 : (x * 5 + y * 11) % 32;
            if (kind == TgaKind::ColorMapped)
                q %= 20; // stays well inside an 8-bit index with a raised first entry
            Bgra p{fiveBitLevel(q), fiveBitLevel((q + 9) % 32), fiveBitLevel((q + 21) % 32),
                   std::uint8_t((x * 37 + y) % 256)};
            if (kind == TgaKind::Greyscale)
                p.b = p.r = p.g;
            if (kind == TgaKind::ColorMapped)
                p.a = std::uint8_t(q * 13); // one alpha per colour keeps the map small
            picture.at(x, y) = p;
        }
    }
    return picture;
}

TgaSpec formatFor(const TgaLayout& layout, bool runLength, int originBits)
{
    TgaSpec format;
    format.kind = layout.kind;
    format.pixelBits = layout.pixelBits;
    format.mapEntryBits = layout.mapEntryBits;
    // A raised first entry; with 16-bit indices, one whose values need both bytes.
    if (layout.kind == TgaKind::ColorMapped)
        format.mapFirstIndex = layout.pixelBits == 16 ? 1000 : 200;
    format.runLength = runLength;
    format.topFirst = (originBits & 0x20) != 0;
    format.rightToLeft = (originBits & 0x10) != 0;
    format.id = "shot-id";
    format.trailer = std::vector<std::uint8_t>(8, 0);
    const char signature[] = "TRUEVISION-XFILE.";
    format.trailer.insert(format.trailer.end(), signature, signature + sizeof signature);
    return format;
}

} // namespace pellora::test
