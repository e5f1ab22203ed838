#include "batch/ConvertTgaToJpeg.h"

#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/jpeg/JpegStreamEncoder.h"
#include "platform/tga/TgaRowSource.h"

#include <cerrno>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace pellora {

namespace {

// No valid screenshot comes near it.
constexpr std::uint64_t kMaxSourceBytes = std::uint64_t{2} << 30;

// What a conversion needs beyond the file, kept from one file to the next.
struct Workspace {
    JpegStreamEncoder encoder;
    TgaReadBuffers buffers;
};

// The workspaces no conversion is using; a conversion borrows one and gives
// it back, so there are as many as conversions ever ran at once. They are
// not kept per thread: MinGW's runtime frees a thread's storage before it
// runs the destructors of its thread_local objects, so a worker that ended
// destroyed its encoder in memory already given back, and sometimes crashed.
class WorkspaceShelf {
public:
    std::unique_ptr<Workspace> take()
    {
        {
            const std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<Workspace> work = std::move(idle_.back());
                idle_.pop_back();
                return work;
            }
        }
        return std::make_unique<Workspace>();
    }

    void giveBack(std::unique_ptr<Workspace> work) noexcept
    {
        try {
            const std::lock_guard lock(mutex_);
            idle_.push_back(std::move(work));
        } catch (...) {
            // No room to keep it: the next conversion makes another.
        }
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Workspace>> idle_;
};

WorkspaceShelf& shelf()
{
    static WorkspaceShelf workspaces;
    return workspaces;
}

// A workspace for one conversion, back on the shelf when the conversion ends.
class BorrowedWorkspace {
public:
    BorrowedWorkspace() : work_(shelf().take()) {}
    ~BorrowedWorkspace() { shelf().giveBack(std::move(work_)); }
    BorrowedWorkspace(const BorrowedWorkspace&) = delete;
    BorrowedWorkspace& operator=(const BorrowedWorkspace&) = delete;

    Workspace& operator*() const { return *work_; }

private:
    std::unique_ptr<Workspace> work_;
};

Status encodeRows(TgaRowSource& rows, JpegStreamEncoder& encoder, const FileHandle& file, int quality)
{
    if (Status started = encoder.start(file, rows.width(), rows.height(), rows.pixelFormat(), quality); !started)
        return started;
    for (int y = 0; y < rows.height(); ++y) {
        auto row = rows.nextRow();
        if (!row) {
            encoder.abandon();
            return unexpected(row.error());
        }
        if (Status written = encoder.writeRow(*row); !written)
            return written;
    }
    return ok();
}

// Only a regular file of a size a screenshot can have.
Expected<RegularFile, Failure> openSource(const FileHandle& folder, const std::filesystem::path& source)
{
    // Never through a link, which would read outside the folder the user chose.
    auto file = openRegular(folder, source, Open::Read | Open::NoFollow, FailureCause::CannotRead);
    // NoFollow answers a link with ELOOP: it is no screenshot of ours, not a loop.
    if (!file && file.error().systemError == ELOOP)
        return unexpected(Failure::of(FailureCause::NotRegularFile));
    if (!file)
        return unexpected(file.error());
    if (static_cast<std::uint64_t>(file->status.size) > kMaxSourceBytes)
        return unexpected(Failure::of(FailureCause::TooLarge));
    return file;
}

// The file a JPEG is written to before it takes its name: a spare when one
// is waiting, otherwise one made now.
Expected<AtomicFile, Failure> jpegFile(const FileHandle& sourceFolder, const Folder* destinationFolder,
                                       const std::filesystem::path& destination, SpareTemporaryFiles* spares)
{
    constexpr auto kNeverReplace = AtomicFile::Mode::NeverReplace;
    if (!destinationFolder)
        return AtomicFile::create(sourceFolder.fileSystem(), destination, kNeverReplace);
    auto spare = spares ? spares->take() : std::nullopt;
    if (!spare)
        return AtomicFile::create(*destinationFolder, destination, kNeverReplace);
    if (!*spare)
        return unexpected(spare->error());
    return AtomicFile::adopt(*destinationFolder, std::move(spare->value()), destination, kNeverReplace);
}

// `source` is looked up from `sourceFolder` (see FileSystem); `destination`
// is a name in `destinationFolder`, or a path without one.
Expected<StagedJpeg, Failure> stage(const FileHandle& sourceFolder, const std::filesystem::path& source,
                                    const Folder* destinationFolder, const std::filesystem::path& destination,
                                    int quality, bool digestContent, SpareTemporaryFiles* spares)
{
    auto opened = openSource(sourceFolder, source);
    if (!opened)
        return unexpected(opened.error());
    const FileHandle& file = opened->handle;
    const FileStatus& before = opened->status;

    const BorrowedWorkspace borrowed;
    Workspace& work = *borrowed;
    TgaRowSource rows(file, static_cast<std::uint64_t>(before.size), work.buffers, digestContent);
    if (const Status opened = rows.open(); !opened)
        return unexpected(opened.error());
    auto staged = jpegFile(sourceFolder, destinationFolder, destination, spares);
    if (!staged)
        return unexpected(staged.error());
    if (const Status encoded = encodeRows(rows, work.encoder, staged->file(), quality); !encoded)
        return unexpected(encoded.error());
    auto digest = rows.finish();
    if (!digest) {
        work.encoder.abandon();
        return unexpected(digest.error());
    }
    if (const Status finished = work.encoder.finish(); !finished)
        return unexpected(finished.error());
    // A picture rewritten while it was read would give a JPEG of two pictures.
    FileSystem& fs = file.fileSystem();
    const auto after = fs.status(file);
    if (!after)
        return unexpected(Failure::of(FailureCause::CannotRead, after.error().systemError));
    if (!(FileIdentity::of(*after) == FileIdentity::of(before)))
        return unexpected(Failure::of(FailureCause::ChangedWhileRead));
    // A lost date is no reason to fail.
    [[maybe_unused]] const Status dated = fs.setModificationTime(staged->file(), before.modified);
    return StagedJpeg{std::move(*staged), ConvertedSource{FileIdentity::of(before), *digest}};
}

Expected<StagedJpeg, Failure> stageGuarded(const FileHandle& sourceFolder, const std::filesystem::path& source,
                                           const Folder* destinationFolder, const std::filesystem::path& destination,
                                           int quality, bool digestContent, SpareTemporaryFiles* spares)
{
    if (quality < 0 || quality > 255)
        return unexpected(Failure::of(FailureCause::Unexpected));
    try {
        return stage(sourceFolder, source, destinationFolder, destination, quality, digestContent, spares);
    } catch (const std::exception&) {
        return unexpected(Failure::of(FailureCause::Unexpected));
    }
}

} // namespace

Expected<StagedJpeg, Failure> stageTgaAsJpeg(FileSystem& fs, const std::filesystem::path& source,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent)
{
    return stageGuarded(fs.workingFolder(), source, nullptr, destination, quality, digestContent, nullptr);
}

Expected<StagedJpeg, Failure> stageTgaAsJpeg(const Folder& sourceFolder, const std::filesystem::path& source,
                                             const Folder& destinationFolder,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent, SpareTemporaryFiles* spares)
{
    return stageGuarded(sourceFolder.handle(), source, &destinationFolder, destination, quality, digestContent,
                        spares);
}

Status flushStagedJpeg(AtomicFile& staged)
{
    try {
        return staged.flush();
    } catch (const std::exception&) {
        return unexpected(Failure::of(FailureCause::Unexpected));
    }
}

Status commitStagedJpeg(AtomicFile& staged)
{
    try {
        return staged.commit();
    } catch (const std::exception&) {
        return unexpected(Failure::of(FailureCause::Unexpected));
    }
}

std::vector<Status> commitStagedJpegs(const Folder& folder, std::span<AtomicFile* const> staged)
{
    try {
        return AtomicFile::commitTogether(folder, staged);
    } catch (const std::exception&) {
        // Whatever was placed stays where it is: a JPEG too many, with its source kept.
        return std::vector<Status>(staged.size(), unexpected(Failure::of(FailureCause::Unexpected)));
    }
}

std::int16_t ConvertTgaToJpeg(FileSystem& fs, const std::filesystem::path& source, const std::filesystem::path& destination,
                              int quality)
{
    auto staged = stageTgaAsJpeg(fs, source, destination, quality);
    if (!staged)
        return resultCodeOf(staged.error());
    const Status committed = commitStagedJpeg(staged->file);
    return committed ? ResultCode::Success : resultCodeOf(committed.error());
}

} // namespace pellora
