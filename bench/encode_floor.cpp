// The encode-only floor: how fast one thread can turn a folder of screenshots
// into JPEG when nothing but the encoder runs. Every *.tga of the folder is
// read and decoded first, untimed; then each picture is encoded once, one
// after the other, on this thread, with the settings the converter uses
// (4:2:0, accurate DCT, rows handed over bottom-up as they lie in the file).
// It calls TurboJPEG itself rather than the converter's encoder class, so the
// floor does not inherit anything the converter might do wrong.
//
// usage: pellora_encode_floor [--quality N] DIR
// prints one line: files=N megapixels=X seconds=Y bytes=Z
#include "platform/FileReader.h"
#include "platform/TgaDecoder.h"
#include "platform/TurboJpegHandle.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A decoded picture and the file bytes it may borrow its rows from.
struct LoadedPicture {
    std::vector<std::uint8_t> file;
    pellora::TgaImage image;
};

std::vector<fs::path> tgaFilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        auto extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
        if (entry.is_regular_file() && extension == ".tga")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The vector keeps each file's bytes at a stable address when it moves into
// the picture, so a borrowed view stays valid.
bool load(const fs::path& path, std::vector<LoadedPicture>& pictures)
{
    auto contents = pellora::FileReader::readAll(path);
    if (!contents) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), std::strerror(contents.error()));
        return false;
    }
    // A copy this program writes itself: a buffer that only the kernel's read
    // filled is mapped lazily, on its first access from user space, in some
    // virtual machines, and those faults would land in the timed encoding.
    std::vector<std::uint8_t> bytes(contents->bytes.begin(), contents->bytes.end());
    auto decoded = pellora::TgaDecoder::decode(bytes);
    if (!decoded) {
        std::fprintf(stderr, "cannot decode %s: %s\n", path.c_str(), pellora::describe(decoded.error()));
        return false;
    }
    pictures.push_back(LoadedPicture{std::move(bytes), std::move(*decoded)});
    return true;
}

struct EncodeTotals {
    double seconds = 0;
    double megapixels = 0;
    unsigned long long bytes = 0;
    bool ok = true;
};

EncodeTotals encodeAll(const std::vector<LoadedPicture>& pictures, int quality)
{
    EncodeTotals totals;
    pellora::TurboJpegHandle handle;
    if (!handle.valid()) {
        std::fprintf(stderr, "cannot create a JPEG compressor\n");
        totals.ok = false;
        return totals;
    }
    // One output buffer, sized for the largest picture before the clock starts.
    unsigned long capacity = 0;
    for (const auto& picture : pictures)
        capacity = std::max(capacity, tjBufSize(picture.image.width(), picture.image.height(), TJSAMP_420));
    unsigned char* buffer = tjAlloc(static_cast<int>(capacity));

    const auto start = std::chrono::steady_clock::now();
    for (const auto& picture : pictures) {
        const pellora::PixelView& view = picture.image.view();
        const int subsampling = view.pixelFormat == TJPF_GRAY ? TJSAMP_GRAY : TJSAMP_420;
        const int flags = TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC | (view.bottomUp ? TJFLAG_BOTTOMUP : 0);
        unsigned long size = capacity;
        if (tjCompress2(handle.get(), view.data, view.width, view.pitch, view.height, view.pixelFormat, &buffer,
                        &size, subsampling, quality, flags) != 0) {
            std::fprintf(stderr, "encoding failed: %s\n", tjGetErrorStr2(handle.get()));
            totals.ok = false;
            break;
        }
        totals.bytes += size;
        totals.megapixels += static_cast<double>(view.width) * view.height / 1e6;
    }
    totals.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    tjFree(buffer);
    return totals;
}

} // namespace

int main(int argc, char** argv)
{
    int quality = 90;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 3 && arguments[0] == "--quality") {
        quality = std::clamp(std::atoi(arguments[1].c_str()), 1, 100);
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    if (arguments.size() != 1 || !fs::is_directory(arguments[0])) {
        std::fprintf(stderr, "usage: pellora_encode_floor [--quality N] DIR\n");
        return 2;
    }

    const auto files = tgaFilesIn(arguments[0]);
    std::vector<LoadedPicture> pictures;
    pictures.reserve(files.size());
    for (const auto& file : files) {
        if (!load(file, pictures))
            return 1;
    }
    const EncodeTotals totals = encodeAll(pictures, quality);
    if (!totals.ok)
        return 1;
    std::printf("files=%zu megapixels=%.3f seconds=%.6f bytes=%llu\n", pictures.size(), totals.megapixels,
                totals.seconds, totals.bytes);
    return 0;
}
