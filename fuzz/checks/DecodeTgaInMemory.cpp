#include "checks/DecodeTgaInMemory.h"

#include "platform/io/FileSystem.h"
#include "platform/io/WriteAll.h"

#include <cerrno>
#include <sys/mman.h>

namespace pellora::fuzz {

Expected<DecodedTga, Failure> decodeTgaInMemory(std::span<const std::uint8_t> file, std::size_t stripBytes)
{
    const int native = ::memfd_create("tga", MFD_CLOEXEC);
    if (native < 0)
        return unexpected(Failure::of(FailureCause::Unexpected, errno));
    const FileHandle fd(systemFileSystem(), native);
    if (const Status written = writeAll(fd, file.data(), file.size()); !written)
        return unexpected(Failure::of(FailureCause::Unexpected, written.error().systemError));
    // Kept from one call to the next, as a worker keeps them: fresh megabyte
    // buffers for every input would slow the fuzzer down tenfold.
    thread_local TgaReadBuffers buffers;
    TgaRowSource rows(fd, file.size(), buffers, true, stripBytes);
    if (const Status opened = rows.open(); !opened)
        return unexpected(opened.error());
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
