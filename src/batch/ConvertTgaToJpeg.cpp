#include "batch/ConvertTgaToJpeg.h"

#include "platform/io/FileSystem.h"
#include "platform/io/UniqueFd.h"
#include "platform/jpeg/JpegStreamEncoder.h"
#include "platform/tga/TgaRowSource.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>

namespace pellora {

namespace {

// No valid screenshot comes near it.
constexpr std::uint64_t kMaxSourceBytes = std::uint64_t{2} << 30;

// What a worker keeps from one file to the next.
struct Workspace {
    JpegStreamEncoder encoder;
    TgaReadBuffers buffers;
};

Workspace& workspace()
{
    thread_local Workspace perThread;
    return perThread;
}

Expected<struct stat, Failure> statusOf(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return unexpected(Failure::of(FailureCause::CannotRead, errno));
    return info;
}

std::optional<Failure> encodeRows(TgaRowSource& rows, JpegStreamEncoder& encoder, int fd, int quality)
{
    if (auto failure = encoder.start(fd, rows.width(), rows.height(), rows.pixelFormat(), quality))
        return failure;
    for (int y = 0; y < rows.height(); ++y) {
        auto row = rows.nextRow();
        if (!row) {
            encoder.abandon();
            return row.error();
        }
        if (auto failure = encoder.writeRow(*row))
            return failure;
    }
    return std::nullopt;
}

// A source open for reading, and what it was when opened.
struct OpenSource {
    UniqueFd fd;
    struct stat before {};
};

// Only a regular file of a size a screenshot can have.
Expected<OpenSource, Failure> openSource(int folder, const std::filesystem::path& source)
{
    // Non-blocking, so that a FIFO under the name cannot hang the open; never
    // through a link, which would read outside the folder the user chose.
    const int opened = FileSystem::current().openAt(folder, source, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
    // O_NOFOLLOW answers a link with ELOOP: it is no screenshot of ours, not a loop.
    if (opened == -ELOOP)
        return unexpected(Failure::of(FailureCause::NotRegularFile));
    if (opened < 0)
        return unexpected(Failure::of(FailureCause::CannotRead, -opened));
    OpenSource file{UniqueFd(opened)};
    const auto status = statusOf(opened);
    if (!status)
        return unexpected(status.error());
    if (!S_ISREG(status->st_mode))
        return unexpected(Failure::of(FailureCause::NotRegularFile));
    if (static_cast<std::uint64_t>(status->st_size) > kMaxSourceBytes)
        return unexpected(Failure::of(FailureCause::TooLarge));
    file.before = *status;
    return file;
}

// `source` is looked up from `sourceFolder` (see FileSystem); `destination`
// is a name in `destinationFolder`, or a path without one.
Expected<StagedJpeg, Failure> stage(int sourceFolder, const std::filesystem::path& source,
                                    const Folder* destinationFolder, const std::filesystem::path& destination,
                                    int quality, bool digestContent)
{
    auto opened = openSource(sourceFolder, source);
    if (!opened)
        return unexpected(opened.error());
    const UniqueFd& fd = opened->fd;
    const struct stat& before = opened->before;

    Workspace& work = workspace();
    TgaRowSource rows(fd.get(), static_cast<std::uint64_t>(before.st_size), work.buffers, digestContent);
    if (auto failure = rows.open())
        return unexpected(*failure);
    constexpr auto kNeverReplace = AtomicFile::Mode::NeverReplace;
    auto staged = destinationFolder ? AtomicFile::create(*destinationFolder, destination, kNeverReplace)
                                    : AtomicFile::create(destination, kNeverReplace);
    if (!staged)
        return unexpected(staged.error());
    if (auto failure = encodeRows(rows, work.encoder, staged->fd(), quality))
        return unexpected(*failure);
    auto digest = rows.finish();
    if (!digest) {
        work.encoder.abandon();
        return unexpected(digest.error());
    }
    if (auto failure = work.encoder.finish())
        return unexpected(*failure);
    // A picture rewritten while it was read would give a JPEG of two pictures.
    const auto after = statusOf(fd.get());
    if (!after)
        return unexpected(after.error());
    if (!(FileIdentity::of(*after) == FileIdentity::of(before)))
        return unexpected(Failure::of(FailureCause::ChangedWhileRead));
    FileSystem::current().setModificationTime(staged->fd(), before.st_mtim); // a lost date is no reason to fail
    return StagedJpeg{std::move(*staged), ConvertedSource{FileIdentity::of(before), *digest}};
}

Expected<StagedJpeg, Failure> stageGuarded(int sourceFolder, const std::filesystem::path& source,
                                           const Folder* destinationFolder, const std::filesystem::path& destination,
                                           int quality, bool digestContent)
{
    if (quality < 0 || quality > 255)
        return unexpected(Failure::of(FailureCause::Unexpected));
    try {
        return stage(sourceFolder, source, destinationFolder, destination, quality, digestContent);
    } catch (const std::exception&) {
        return unexpected(Failure::of(FailureCause::Unexpected));
    }
}

} // namespace

Expected<StagedJpeg, Failure> stageTgaAsJpeg(const std::filesystem::path& source,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent)
{
    return stageGuarded(AT_FDCWD, source, nullptr, destination, quality, digestContent);
}

Expected<StagedJpeg, Failure> stageTgaAsJpeg(const Folder& sourceFolder, const std::filesystem::path& source,
                                             const Folder& destinationFolder,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent)
{
    return stageGuarded(sourceFolder.fd(), source, &destinationFolder, destination, quality, digestContent);
}

Status commitStagedJpeg(AtomicFile& staged)
{
    try {
        if (const auto failure = staged.commit())
            return unexpected(*failure);
        return ok();
    } catch (const std::exception&) {
        return unexpected(Failure::of(FailureCause::Unexpected));
    }
}

std::int16_t ConvertTgaToJpeg(const std::filesystem::path& source, const std::filesystem::path& destination,
                              int quality)
{
    auto staged = stageTgaAsJpeg(source, destination, quality);
    if (!staged)
        return resultCodeOf(staged.error());
    const Status committed = commitStagedJpeg(staged->file);
    return committed ? ResultCode::Success : resultCodeOf(committed.error());
}

} // namespace pellora
