// The encode-only floor: how fast one thread can turn a folder of screenshots
// into JPEG when nothing but the encoder runs. Every *.tga of the folder is
// read and decoded first, untimed; then each picture is encoded once, one
// after the other, on this thread, with the settings the converter uses
// (4:2:0, accurate DCT), from whole pictures in memory the program wrote
// itself. It calls TurboJPEG's one-call encoder rather than the converter's
// streaming encoder, so the floor does not inherit anything the converter
// might do wrong.
//
// usage: pellora_encode_floor [--quality N] DIR
// prints one line: files=N megapixels=X seconds=Y bytes=Z
#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/tga/TgaRowSource.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A decoded picture, rows top to bottom.
struct LoadedPicture {
    int width = 0;
    int height = 0;
    pellora::PixelFormat format = pellora::PixelFormat::Bgrx;
    std::vector<std::uint8_t> pixels;
};

int turboFormatOf(pellora::PixelFormat format)
{
    switch (format) {
    case pellora::PixelFormat::Gray: return TJPF_GRAY;
    case pellora::PixelFormat::Bgr: return TJPF_BGR;
    case pellora::PixelFormat::Bgrx: return TJPF_BGRX;
    }
    return TJPF_BGRX;
}

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

// Rows copied into memory this program writes itself: a buffer that only the
// kernel's read filled is mapped lazily, on its first access from user space,
// in some virtual machines, and those faults would land in the timed encoding.
bool load(const fs::path& path, std::vector<LoadedPicture>& pictures)
{
    pellora::FileSystem& files = pellora::systemFileSystem();
    const auto opened =
        pellora::openRegular(files.workingFolder(), path, pellora::Open::Read, pellora::FailureCause::CannotRead);
    if (!opened) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), std::strerror(opened.error().systemError));
        return false;
    }
    pellora::TgaReadBuffers buffers;
    pellora::TgaRowSource rows(opened->handle, static_cast<std::uint64_t>(opened->status.size), buffers);
    LoadedPicture picture;
    if (rows.open()) {
        picture.width = rows.width();
        picture.height = rows.height();
        picture.format = rows.pixelFormat();
        const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * pellora::bytesPerPixel(picture.format);
        picture.pixels.reserve(rowBytes * static_cast<std::size_t>(picture.height));
        for (int y = 0; y < picture.height; ++y) {
            auto row = rows.nextRow();
            if (!row)
                break;
            picture.pixels.insert(picture.pixels.end(), *row, *row + rowBytes);
        }
    }
    if (picture.pixels.empty() || !rows.finish()) {
        std::fprintf(stderr, "cannot decode %s\n", path.c_str());
        return false;
    }
    pictures.push_back(std::move(picture));
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
    tjhandle handle = tjInitCompress();
    if (!handle) {
        std::fprintf(stderr, "cannot create a JPEG compressor\n");
        totals.ok = false;
        return totals;
    }
    // One output buffer, sized for the largest picture before the clock starts.
    unsigned long capacity = 0;
    for (const auto& picture : pictures)
        capacity = std::max(capacity, tjBufSize(picture.width, picture.height, TJSAMP_420));
    unsigned char* buffer = tjAlloc(static_cast<int>(capacity));

    const auto start = std::chrono::steady_clock::now();
    for (const auto& picture : pictures) {
        const bool grey = picture.format == pellora::PixelFormat::Gray;
        unsigned long size = capacity;
        if (tjCompress2(handle, picture.pixels.data(), picture.width, 0, picture.height, turboFormatOf(picture.format),
                        &buffer, &size, grey ? TJSAMP_GRAY : TJSAMP_420, quality,
                        TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC) != 0) {
            std::fprintf(stderr, "encoding failed: %s\n", tjGetErrorStr2(handle));
            totals.ok = false;
            break;
        }
        totals.bytes += size;
        totals.megapixels += static_cast<double>(picture.width) * picture.height / 1e6;
    }
    totals.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    tjFree(buffer);
    tjDestroy(handle);
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
