#include "batch/ConvertTgaToJpeg.h"

#include "platform/io/DurableFileWriter.h"
#include "platform/io/FileSystem.h"
#include "platform/jpeg/JpegStreamEncoder.h"
#include "platform/tga/TgaRowSource.h"
#include "platform/io/UniqueFd.h"

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
        return unexpected(Failure::of(FailureCause::SourceUnreadable, errno));
    return info;
}

bool sameVersion(const struct stat& before, const struct stat& after)
{
    return before.st_size == after.st_size && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == after.st_mtim.tv_nsec;
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

Expected<StagedJpeg, Failure> stage(const std::filesystem::path& source, const std::filesystem::path& destination,
                                    int quality, bool digestContent)
{
    // Non-blocking, so that a FIFO under the name cannot hang the open; never
    // through a link, which would read outside the folder the user chose.
    UniqueFd fd(FileSystem::current().open(source, O_RDONLY | O_NONBLOCK | O_NOFOLLOW));
    if (!fd.valid())
        return unexpected(Failure::of(FailureCause::SourceUnreadable, -fd.get()));
    const auto before = statusOf(fd.get());
    if (!before)
        return unexpected(before.error());
    if (!S_ISREG(before->st_mode))
        return unexpected(Failure::of(FailureCause::SourceNotRegularFile));
    if (static_cast<std::uint64_t>(before->st_size) > kMaxSourceBytes)
        return unexpected(Failure::of(FailureCause::SourceTooLarge));

    Workspace& work = workspace();
    TgaRowSource rows(fd.get(), static_cast<std::uint64_t>(before->st_size), work.buffers, digestContent);
    if (auto failure = rows.open())
        return unexpected(*failure);
    auto staged = DurableFileWriter::create(destination);
    if (!staged)
        return unexpected(Failure::of(FailureCause::CannotCreateTemporary, staged.error()));
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
    if (!sameVersion(*before, *after))
        return unexpected(Failure::of(FailureCause::SourceChanged));
    FileSystem::current().setModificationTime(staged->fd(), before->st_mtim); // a lost date is no reason to fail
    return StagedJpeg{std::move(*staged), ConvertedSource{FileIdentity::of(*before), *digest}};
}

Failure failureOf(JpegWriteStatus status)
{
    switch (status) {
    case JpegWriteStatus::Written:
    case JpegWriteStatus::EncoderFailed: return Failure::of(FailureCause::EncoderFailed);
    case JpegWriteStatus::CannotCreate: return Failure::of(FailureCause::CannotCreateTemporary);
    case JpegWriteStatus::CannotWrite: return Failure::of(FailureCause::CannotWriteTemporary);
    case JpegWriteStatus::DestinationExists: return Failure::of(FailureCause::DestinationExists);
    case JpegWriteStatus::CannotCommit: return Failure::of(FailureCause::CannotCommit);
    }
    return Failure::of(FailureCause::Unexpected);
}

} // namespace

std::int16_t resultCodeOf(const Failure& failure)
{
    switch (failure.cause) {
    case FailureCause::SourceUnreadable:
    case FailureCause::SourceNotRegularFile:
    case FailureCause::SourceTooLarge:
    case FailureCause::SourceChanged:
    case FailureCause::BadTga: return ResultCode::DecodeFailed;
    case FailureCause::EncoderFailed: return static_cast<std::int16_t>(JpegWriteStatus::EncoderFailed);
    case FailureCause::CannotCreateTemporary: return static_cast<std::int16_t>(JpegWriteStatus::CannotCreate);
    case FailureCause::CannotWriteTemporary: return static_cast<std::int16_t>(JpegWriteStatus::CannotWrite);
    case FailureCause::DestinationExists: return static_cast<std::int16_t>(JpegWriteStatus::DestinationExists);
    case FailureCause::CannotCommit: return static_cast<std::int16_t>(JpegWriteStatus::CannotCommit);
    case FailureCause::Unexpected: return ResultCode::UnexpectedFailure;
    }
    return ResultCode::UnexpectedFailure;
}

Expected<StagedJpeg, Failure> StageTgaAsJpeg(const std::filesystem::path& source,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent)
{
    if (quality < 0 || quality > 255)
        return unexpected(Failure::of(FailureCause::Unexpected));
    try {
        return stage(source, destination, quality, digestContent);
    } catch (const std::exception&) {
        return unexpected(Failure::of(FailureCause::Unexpected));
    }
}

std::optional<Failure> CommitStagedJpeg(StagedFile& staged)
{
    try {
        const CommitOutcome outcome = staged.commit();
        if (outcome.status == JpegWriteStatus::Written)
            return std::nullopt;
        Failure failure = failureOf(outcome.status);
        failure.systemError = outcome.error;
        return failure;
    } catch (const std::exception&) {
        return Failure::of(FailureCause::Unexpected);
    }
}

std::int16_t ConvertTgaToJpeg(const std::filesystem::path& source, const std::filesystem::path& destination,
                              int quality)
{
    auto staged = StageTgaAsJpeg(source, destination, quality);
    if (!staged)
        return resultCodeOf(staged.error());
    const auto failure = CommitStagedJpeg(staged->file);
    return failure ? resultCodeOf(*failure) : ResultCode::Success;
}

} // namespace pellora
