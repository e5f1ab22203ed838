// What scripts/windows-cross-check runs on both systems, built once for Linux
// and once for Windows, so the two builds can be compared byte for byte:
//   pellora-crosscheck-tool layouts FOLDER
//       writes a TGA file of every layout, packing and origin, and a few
//       under names that code page 932 writes in its own way or cannot hold
//   pellora-crosscheck-tool settings FILE INDIR OUTDIR PREFIX QUALITY DELETE LOG
//       saves those six settings to FILE as the window saves them
//   pellora-crosscheck-tool cp932-table
//       prints what code page 932 makes of every character and byte pair
#include "platform/text/Cp932.h"
#include "platform/text/PathText.h"
#include "platform/text/Utf8.h"
#include "settings/Settings.h"
#include "support/TempDir.h"
#include "support/TgaLayouts.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace pellora;

struct NamedPicture {
    const char* name; // UTF-8
    int width;
    int height;
};

// Names whose log lines test the conversion to code page 932: Japanese; NEC's
// and IBM's extensions, which Windows and glibc must both write the way
// Windows does; the characters glibc adds to Windows' table; characters the
// code page lacks (one '?' each) and a language tag (dropped).
const NamedPicture kNamedPictures[] = {
    {"スクリーンショット 1.tga", 64, 48},
    {"画面①ⅰ纊.tga", 40, 30},
    {"yen¥ overline‾ dash—.tga", 33, 17},
    {"café😀.tga", 16, 16},
    {"tag\xF3\xA0\x81\x81.tga", 8, 8},
    {"UPPER CASE.TGA", 20, 10},
    {"Large.tga", 1920, 1080},
};

void write(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes)
{
    test::writeBytes(file, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

int writeLayouts(const std::filesystem::path& folder)
{
    for (const test::TgaLayout& layout : test::tgaLayouts()) {
        for (const bool runLength : {false, true}) {
            for (const int origin : test::kOriginBits) {
                const std::string name =
                    std::string(layout.name) + (runLength ? "Rle" : "Raw") + test::originName(origin) + ".tga";
                write(folder / pathText::toPath(name),
                      test::buildTga(test::layoutPicture(layout.kind), test::formatFor(layout, runLength, origin)));
            }
        }
    }
    for (const NamedPicture& named : kNamedPictures) {
        const test::TgaSpec format = test::formatFor(test::tgaLayouts()[7], true, 0x20);
        write(folder / pathText::toPath(named.name),
              test::buildTga(test::layoutPicture(format.kind, named.width, named.height), format));
    }
    // A file cut short: it fails with -1 on both, and is never deleted.
    std::vector<std::uint8_t> cut = test::buildTga(test::layoutPicture(test::TgaKind::TrueColor), test::TgaSpec{});
    cut.resize(cut.size() / 2);
    write(folder / "Truncated.tga", cut);
    return 0;
}

int saveSettings(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 7)
        return 2;
    const Settings settings{arguments[1], arguments[2], arguments[3], std::stoi(arguments[4]), arguments[5] == "1",
                            arguments[6] == "1"};
    return settings.save(pathText::toPath(arguments[0])) ? 0 : 1;
}

std::string hex(std::string_view bytes)
{
    std::string text;
    char digits[4];
    for (const char byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(byte));
        text += digits;
    }
    return text.empty() ? "-" : text;
}

// One line per character the code page holds (or drops), one per byte pair
// or single byte that decodes.
int printCp932Table()
{
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        std::string text;
        utf8::append(text, c);
        const auto bytes = cp932::encode(text);
        if (!bytes)
            return 1;
        if (*bytes != "?")
            std::printf("U+%04X %s\n", static_cast<unsigned>(c), hex(*bytes).c_str());
    }
    for (unsigned lead = 0; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0; trail <= (lead >= 0x80 ? 0xFFu : 0u); ++trail) {
            std::string bytes(1, static_cast<char>(lead));
            if (lead >= 0x80)
                bytes += static_cast<char>(trail);
            const auto text = cp932::decode(bytes);
            if (!text)
                return 1;
            std::printf("%s %s\n", hex(bytes).c_str(), hex(*text).c_str());
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int run(const std::vector<std::string>& arguments)
{
    if (arguments.size() == 2 && arguments[0] == "layouts")
        return writeLayouts(pathText::toPath(arguments[1]));
    if (!arguments.empty() && arguments[0] == "settings")
        return saveSettings(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    if (arguments.size() == 1 && arguments[0] == "cp932-table")
        return printCp932Table();
    std::fputs("usage: pellora-crosscheck-tool layouts FOLDER | settings FILE IN OUT PREFIX QUALITY DELETE LOG | "
               "cp932-table\n",
               stderr);
    return 2;
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    ::_setmode(::_fileno(stdout), _O_BINARY); // the table's lines end as on Linux
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(utf8::fromUtf16(reinterpret_cast<const char16_t*>(argv[i])));
    return run(arguments);
}
#else
int main(int argc, char** argv)
{
    return run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
#endif
