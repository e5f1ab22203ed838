// One 1920x1080 32-bit screenshot converted end to end, beside the floor that
// only encodes the same pixels from memory. The durable-write syncs depend on
// the disk, so they get a row of their own and the conversion is also timed
// without them. Files go under the build folder: a RAM file system would hide
// what users' disks cost.
#include "batch/ConvertTgaToJpeg.h"
#include "platform/io/ContentDigest.h"
#include "platform/io/posix/PosixFileSystem.h"
#include "platform/io/posix/PosixFileSystem.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <turbojpeg.h>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Screenshot-like: smooth shading, edges and some grain, so the encoder works
// as hard as on a real frame.
std::vector<std::uint8_t> screenshotPixels()
{
    std::vector<std::uint8_t> bgrx(static_cast<size_t>(kWidth) * kHeight * 4);
    std::mt19937 noise(7);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &bgrx[(static_cast<size_t>(y) * kWidth + x) * 4];
            const int grain = static_cast<int>(noise() % 9) - 4;
            const int band = ((x / 160) + (y / 90)) % 2 ? 40 : 0;
            p[0] = static_cast<std::uint8_t>(std::clamp(int(120 + 100 * std::sin(x / 70.0)) + grain, 0, 255));
            p[1] = static_cast<std::uint8_t>(std::clamp(y * 200 / kHeight + band + grain, 0, 255));
            p[2] = static_cast<std::uint8_t>(std::clamp(x * 220 / kWidth + grain, 0, 255));
            p[3] = 255;
        }
    }
    return bgrx;
}

std::filesystem::path benchFolder()
{
    const auto folder = std::filesystem::current_path() / "bench-files";
    std::filesystem::create_directories(folder);
    return folder;
}

std::filesystem::path writeTga(const std::vector<std::uint8_t>& bgrx)
{
    const auto path = benchFolder() / "screenshot.tga";
    std::uint8_t header[18] = {0, 0, 2};
    header[12] = kWidth & 0xff;
    header[13] = kWidth >> 8;
    header[14] = kHeight & 0xff;
    header[15] = kHeight >> 8;
    header[16] = 32;
    header[17] = 0x08; // bottom-up, 8 alpha bits: what games write
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(bgrx.data()), static_cast<std::streamsize>(bgrx.size()));
    return path;
}

// The real file system with the durable-write syncs skipped or timed.
class SyncControl : public pellora::PosixFileSystem {
public:
    bool skipSyncs = false;
    std::chrono::nanoseconds syncTime{0};
    pellora::Status sync(const pellora::FileHandle& file) override
    {
        if (skipSyncs)
            return pellora::ok();
        const auto start = std::chrono::steady_clock::now();
        pellora::Status synced = PosixFileSystem::sync(file);
        syncTime += std::chrono::steady_clock::now() - start;
        return synced;
    }
};

const std::vector<std::uint8_t>& pixels()
{
    static const auto bgrx = screenshotPixels();
    return bgrx;
}

// TurboJPEG's one-call encoder, with the converter's settings, from memory.
void EncodeOnlyFloor(benchmark::State& state)
{
    tjhandle handle = tjInitCompress();
    unsigned long capacity = tjBufSize(kWidth, kHeight, TJSAMP_420);
    unsigned char* buffer = tjAlloc(static_cast<int>(capacity));
    for (auto _ : state) {
        unsigned long size = capacity;
        if (tjCompress2(handle, pixels().data(), kWidth, 0, kHeight, TJPF_BGRX, &buffer, &size, TJSAMP_420, 90,
                        TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC | TJFLAG_BOTTOMUP) != 0)
            state.SkipWithError("encoding failed");
        benchmark::DoNotOptimize(size);
    }
    tjFree(buffer);
    tjDestroy(handle);
}

void convert(benchmark::State& state, bool withSyncs)
{
    const auto source = writeTga(pixels());
    const auto destination = benchFolder() / "sshot001.jpg";
    SyncControl fs;
    fs.skipSyncs = !withSyncs;
    for (auto _ : state) {
        if (pellora::ConvertTgaToJpeg(fs, source, destination, 90) != 0)
            state.SkipWithError("conversion failed");
        state.PauseTiming();
        std::filesystem::remove(destination);
        state.ResumeTiming();
    }
    if (withSyncs)
        state.counters["sync_ms"] = benchmark::Counter(
            std::chrono::duration<double, std::milli>(fs.syncTime).count() / static_cast<double>(state.iterations()));
}

void ConvertWithoutSyncs(benchmark::State& state) { convert(state, false); }
void ConvertDurable(benchmark::State& state) { convert(state, true); }

// What deleting a source costs beyond the unlink: reading it once more for
// its digest, to be sure it still holds the picture that was converted.
void SourceDigestBeforeDelete(benchmark::State& state)
{
    const auto source = writeTga(pixels());
    std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
    for (auto _ : state) {
        pellora::FileSystem& files = pellora::systemFileSystem();
        auto file = files.open(source, pellora::Open::Read);
        if (!file) {
            state.SkipWithError("cannot open the source");
            break;
        }
        auto digest = pellora::ContentDigest::ofFile(*file, buffer);
        benchmark::DoNotOptimize(digest);
    }
}

// The syncs alone: one JPEG-sized file and its folder, as each commit does.
void DurableSyncsOnly(benchmark::State& state)
{
    const std::vector<char> bytes(400 * 1024, 'j');
    const auto folder = benchFolder();
    const auto path = folder / "sync-probe.bin";
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        state.ResumeTiming();
        pellora::FileSystem& files = pellora::systemFileSystem();
        auto file = files.open(path, pellora::Open::Write);
        const bool fileSynced = file && files.sync(*file);
        auto dir = files.open(folder, pellora::Open::Read | pellora::Open::Folder);
        if (!fileSynced || !dir || !files.sync(*dir)) {
            state.SkipWithError("cannot sync");
            break;
        }
    }
    std::filesystem::remove(path);
}

} // namespace

BENCHMARK(EncodeOnlyFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(ConvertWithoutSyncs)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(ConvertDurable)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(SourceDigestBeforeDelete)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(DurableSyncsOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
