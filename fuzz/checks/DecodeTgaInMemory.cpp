#include "checks/DecodeTgaInMemory.h"

#include "platform/io/FileSystem.h"
#include "platform/io/WriteAll.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <string>
#else
#include <sys/mman.h>
#endif

namespace pellora::fuzz {

namespace {

#ifdef _WIN32
// Windows has no file in memory alone: a temporary file the system keeps in
// its cache while it can and removes when the handle is closed.
Expected<FileHandle, Failure> memoryFile()
{
    static std::atomic<unsigned> counter{0};
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return unexpected(Failure::of(FailureCause::Unexpected, ENOENT));
    const std::wstring name = std::wstring(folder, length) + L"pellora-tga-" + std::to_wstring(::GetCurrentProcessId())
                              + L"-" + std::to_wstring(counter++) + L".tmp";
    const HANDLE native = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (native == INVALID_HANDLE_VALUE)
        return unexpected(Failure::of(FailureCause::Unexpected, EIO));
    return FileHandle(systemFileSystem(), native);
}
#else
Expected<FileHandle, Failure> memoryFile()
{
    const int native = ::memfd_create("tga", MFD_CLOEXEC);
    if (native < 0)
        return unexpected(Failure::of(FailureCause::Unexpected, errno));
    return FileHandle(systemFileSystem(), native);
}
#endif

} // namespace

Expected<DecodedTga, Failure> decodeTgaInMemory(std::span<const std::uint8_t> file, std::size_t stripBytes)
{
    auto opened = memoryFile();
    if (!opened)
        return unexpected(opened.error());
    const FileHandle fd = std::move(*opened);
    if (const Status written = writeAll(fd, file.data(), file.size()); !written)
        return unexpected(Failure::of(FailureCause::Unexpected, written.error().systemError));
    // Kept from one call to the next, as a worker keeps them: fresh megabyte
    // buffers for every input would slow the fuzzer down tenfold.
    thread_local TgaReadBuffers buffers;
    TgaRowSource rows(fd, file.size(), buffers, true, stripBytes);
    if (const Status ready = rows.open(); !ready)
        return unexpected(ready.error());
    DecodedTga picture;
    picture.width = rows.width();
    picture.height = rows.height();
    picture.format = rows.pixelFormat();
    picture.pixels.reserve(picture.rowBytes() * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        auto row = rows.nextRow();
        if (!row)
            return unexpected(row.error());
        picture.pixels.insert(picture.pixels.end(), *row, *row + picture.rowBytes());
    }
    auto digest = rows.finish();
    if (!digest)
        return unexpected(digest.error());
    return picture;
}

std::string describeFailure(const Failure& failure)
{
    if (failure.cause == FailureCause::BadTga)
        return describe(failure.tga);
    return "cause " + std::to_string(static_cast<int>(failure.cause)) + ", errno " + std::to_string(failure.systemError);
}

} // namespace pellora::fuzz
