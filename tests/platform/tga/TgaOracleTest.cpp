// Checks the decoder against files and pictures from independent TGA code:
// ImageMagick and Pillow write the files, Pillow decodes them again. Where
// a writer's rows disagree with its own header, the header wins: the
// expected picture is always the one a format-following reader shows.
#include "support/TempDir.h"
#include "support/TgaBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pellora {
namespace {

using test::Bgra;
using test::TgaKind;
using test::TgaPicture;
using test::TgaSpec;
namespace fs = std::filesystem;

bool runs(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// Debian's Pillow belongs to the system interpreter, which may not be first on PATH.
const std::optional<std::string>& pillowPython()
{
    static const std::optional<std::string> found = []() -> std::optional<std::string> {
        for (const char* candidate : {"/usr/bin/python3", "python3"})
            if (runs(std::string(candidate) + " -c 'import PIL.TgaImagePlugin'"))
                return std::string(candidate);
        return std::nullopt;
    }();
    return found;
}

bool haveImageMagick()
{
    static const bool found = runs("convert -version");
    return found;
}

// Flat areas, gradients and a handful of colours: few enough for a lossless
// colour map, varied enough that a flipped or mirrored picture never matches.
TgaPicture sourcePicture()
{
    TgaPicture picture(61, 37);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            int band = x < 20 ? 0 : (x * 3 + y * 7) % 40;
            picture.at(x, y) = Bgra{std::uint8_t(band * 6), std::uint8_t(255 - band * 5),
                                    std::uint8_t((band * 97) % 256), 255};
        }
    }
    picture.at(0, 0) = Bgra{0, 0, 255, 255}; // marks the top-left corner
    return picture;
}

void writePpm(const fs::path& path, const TgaPicture& picture)
{
    std::string header = "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
    std::vector<unsigned char> bytes(header.begin(), header.end());
    for (const Bgra& p : picture.pixels)
        bytes.insert(bytes.end(), {p.r, p.g, p.b});
    test::writeBytes(path, bytes);
}

class TgaOracleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pillowPython())
            GTEST_SKIP() << "no python3 with Pillow (Debian package python3-pil)";
        writePpm(dir / "source.ppm", source);
    }

    // Pillow reads each file into "<file>.rgb" (width, height, RGB rows), all
    // in one interpreter since its start-up dominates; a file it cannot read
    // gets no output.
    void pillowDecodeAll(const std::vector<fs::path>& files)
    {
        std::string command = *pillowPython() + " -c \""
            "import sys\nfrom PIL import Image\n"
            "for path in sys.argv[1:]:\n"
            "    try:\n"
            "        im = Image.open(path).convert('RGB')\n"
            "    except Exception:\n"
            "        continue\n"
            "    open(path + '.rgb', 'wb').write(im.size[0].to_bytes(2, 'little') + "
            "im.size[1].to_bytes(2, 'little') + im.tobytes())\n\"";
        for (const fs::path& file : files)
            command += " " + quoted(file);
        ASSERT_TRUE(runs(command)) << command;
    }

    std::optional<TgaPicture> pillowPicture(const fs::path& tga)
    {
        fs::path raw = tga.string() + ".rgb";
        if (!fs::exists(raw))
            return std::nullopt;
        auto bytes = test::readBytes(raw);
        TgaPicture picture(bytes.at(0) | bytes.at(1) << 8, bytes.at(2) | bytes.at(3) << 8);
        if (bytes.size() != 4 + picture.pixels.size() * 3)
            return std::nullopt;
        for (std::size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = Bgra{bytes[4 + 3 * i + 2], bytes[4 + 3 * i + 1], bytes[4 + 3 * i], 255};
        return picture;
    }

    // Compares channel values after dropping `lowBits`: 5-bit channels are
    // widened a little differently by Pillow.
    void expectSamePicture(const fs::path& tga, const TgaPicture& expected, int lowBits = 0)
    {
        SCOPED_TRACE(tga.filename().string());
        auto file = test::readBytes(tga);
        auto image = fuzz::decodeTgaInMemory(file);
        ASSERT_TRUE(image) << fuzz::describeFailure(image.error());
        TgaPicture ours = test::pictureOf(*image);
        ASSERT_EQ(ours.width, expected.width);
        ASSERT_EQ(ours.height, expected.height);
        for (int y = 0; y < ours.height; ++y) {
            for (int x = 0; x < ours.width; ++x) {
                const Bgra& a = ours.at(x, y);
                const Bgra& b = expected.at(x, y);
                if ((a.b >> lowBits) != (b.b >> lowBits) || (a.g >> lowBits) != (b.g >> lowBits)
                    || (a.r >> lowBits) != (b.r >> lowBits)) {
                    ADD_FAILURE() << "first difference at (" << x << ", " << y << "): ours "
                                  << int(a.b) << "," << int(a.g) << "," << int(a.r) << " expected "
                                  << int(b.b) << "," << int(b.g) << "," << int(b.r);
                    return;
                }
            }
        }
    }

    // Needs pillowDecodeAll() to have seen the file.
    void expectSameAsPillow(const fs::path& tga, int lowBits = 0)
    {
        auto theirs = pillowPicture(tga);
        ASSERT_TRUE(theirs) << "Pillow could not read " << tga;
        expectSamePicture(tga, *theirs, lowBits);
    }

    // Each file with the number of low bits per channel that may differ.
    void expectAllSameAsPillow(const std::vector<std::pair<fs::path, int>>& written)
    {
        std::vector<fs::path> files;
        for (const auto& [file, lowBits] : written)
            files.push_back(file);
        pillowDecodeAll(files);
        for (const auto& [file, lowBits] : written)
            expectSameAsPillow(file, lowBits);
    }

    test::TempDir dir;
    TgaPicture source = sourcePicture();
};

TEST_F(TgaOracleTest, ImageMagickFilesMatchPillow)
{
    if (!haveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    struct Form {
        const char* name;
        const char* options;
        int lowBits;
    };
    const Form forms[] = {
        {"true24", "", 0},
        {"true32-alpha0", "-alpha set -channel A -evaluate set 0 +channel", 0},
        {"true16", "-depth 5", 3},
        {"mapped", "-type Palette", 0},
        {"grey", "-type Grayscale", 0},
    };
    std::vector<std::pair<fs::path, int>> written;
    for (const Form& form : forms) {
        for (const char* compression : {"None", "RLE"}) {
            // Without -orient this ImageMagick stores rows top-first under a
            // bottom-left header; the header is what counts.
            for (bool topLeft : {false, true}) {
                fs::path out = dir / (std::string(form.name) + "-" + compression + (topLeft ? "-top" : "-bottom") + ".tga");
                std::string command = "convert " + quoted(dir / "source.ppm") + " " + form.options
                    + " -compress " + compression + (topLeft ? " -orient TopLeft " : " ") + quoted(out);
                ASSERT_TRUE(runs(command)) << command;
                written.emplace_back(out, form.lowBits);
            }
        }
    }
    expectAllSameAsPillow(written);
}

// With the origin written as it really is, the picture is the source itself;
// alpha 0 throughout must not blank it.
TEST_F(TgaOracleTest, ImageMagickTopLeftFilesGiveTheSource)
{
    if (!haveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    for (const char* options : {"-compress None", "-compress RLE", "-type Palette -compress RLE",
                                "-alpha set -channel A -evaluate set 0 +channel -compress RLE"}) {
        fs::path out = dir / "top.tga";
        std::string command = "convert " + quoted(dir / "source.ppm") + " " + options + " -orient TopLeft " + quoted(out);
        ASSERT_TRUE(runs(command)) << command;
        SCOPED_TRACE(options);
        expectSamePicture(out, source);
    }
}

TEST_F(TgaOracleTest, PillowFilesMatchPillowAndTheSource)
{
    const std::vector<std::string> modes = {"RGB", "RGBA", "P", "L", "LA"};
    std::string command = *pillowPython() + " -c \""
        "import sys\nfrom PIL import Image\n"
        "source = Image.open(sys.argv[1])\n"
        "for mode in sys.argv[3:]:\n"
        "    im = source.quantize(64) if mode == 'P' else source.convert(mode)\n"
        "    if mode in ('RGBA', 'LA'): im.putalpha(0)\n"
        "    for rle in (0, 1):\n"
        "        for orientation in (-1, 1):\n"
        "            im.save(f'{sys.argv[2]}/{mode}-{rle}-{orientation}.tga', "
        "compression='tga_rle' if rle else None, orientation=orientation)\n\" "
        + quoted(dir / "source.ppm") + " " + quoted(dir.path());
    for (const std::string& mode : modes)
        command += " " + mode;
    ASSERT_TRUE(runs(command)) << command;

    std::vector<fs::path> files;
    for (const std::string& mode : modes)
        for (const char* rle : {"0", "1"})
            for (const char* orientation : {"-1", "1"})
                files.push_back(dir / (mode + "-" + rle + "-" + orientation + ".tga"));
    pillowDecodeAll(files);
    for (const fs::path& file : files) {
        expectSameAsPillow(file);
        std::string name = file.filename().string();
        if (name.rfind("L-", 0) != 0 && name.rfind("LA-", 0) != 0)
            expectSamePicture(file, source);
    }
}

// Our own test files, every layout Pillow 9 can read, read by Pillow too:
// this keeps the builder behind the decoder tests honest. (Pillow 9 cannot
// read 15-bit pixels, 15- or 32-bit map entries, 16-bit indices, or packets
// that cross rows.)
TEST_F(TgaOracleTest, BuilderFilesMatchPillow)
{
    struct Layout {
        TgaKind kind;
        int pixelBits;
        int mapEntryBits;
    };
    const Layout layouts[] = {
        {TgaKind::TrueColor, 16, 0}, {TgaKind::TrueColor, 24, 0}, {TgaKind::TrueColor, 32, 0},
        {TgaKind::Greyscale, 8, 0}, {TgaKind::Greyscale, 16, 0},
        {TgaKind::ColorMapped, 8, 16}, {TgaKind::ColorMapped, 8, 24},
    };
    TgaPicture grey = source;
    for (Bgra& p : grey.pixels)
        p.b = p.r = p.g;
    std::vector<std::pair<fs::path, int>> written;
    for (const Layout& layout : layouts) {
        for (bool runLength : {false, true}) {
            for (int origin : {0x00, 0x10, 0x20, 0x30}) {
                TgaSpec format;
                format.kind = layout.kind;
                format.pixelBits = layout.pixelBits;
                format.mapEntryBits = layout.mapEntryBits;
                format.mapFirstIndex = layout.kind == TgaKind::ColorMapped ? 7 : 0;
                format.runLength = runLength;
                format.packetsCrossRows = false;
                format.topFirst = origin & 0x20;
                format.rightToLeft = origin & 0x10;
                format.id = "id";
                fs::path out = dir / ("built-" + std::to_string(written.size()) + ".tga");
                test::writeBytes(out, test::buildTga(layout.kind == TgaKind::Greyscale ? grey : source, format));
                bool fiveBit = layout.kind != TgaKind::Greyscale && (layout.pixelBits == 16 || layout.mapEntryBits == 16);
                written.emplace_back(out, fiveBit ? 3 : 0);
            }
        }
    }
    expectAllSameAsPillow(written);
}

} // namespace
} // namespace pellora
