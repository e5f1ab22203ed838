#include "platform/io/AtomicFile.h"

#include "platform/io/FileSystem.h"
#include "platform/io/NameReservation.h"
#include "platform/io/TemporaryFiles.h"

#include <cerrno>

namespace pellora {

namespace {

Status syncFolderAt(FileSystem& fs, const std::filesystem::path& folder)
{
    auto opened = fs.open(folder, Open::Read | Open::Folder);
    if (!opened)
        return unexpected(opened.error());
    const Status synced = fs.sync(*opened);
    const Status closed = opened->close();
    return synced ? closed : synced;
}

// The file system (or the kernel) does not offer this request at all, as
// opposed to refusing it for this file: only then is the next means tried.
bool refusedAsUnsupported(const Status& status)
{
    const int error = status ? 0 : status.error().systemError;
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// FAT and exFAT answer a hard link with EPERM.
bool linkUnsupported(const Status& status)
{
    return refusedAsUnsupported(status) || (!status && status.error().systemError == EPERM);
}

Status moveWithoutReplacing(const FileHandle& folder, const std::filesystem::path& from,
                            const std::filesystem::path& to)
{
    FileSystem& fs = folder.fileSystem();
    if (const Status moved = fs.renameNoReplaceAt(folder, from, folder, to); !refusedAsUnsupported(moved))
        return moved ? ok() : unexpected(Failure::ofPlacing(moved.error().systemError));
    if (const Status linked = fs.linkAt(folder, from, folder, to); !linkUnsupported(linked)) {
        if (!linked)
            return unexpected(Failure::ofPlacing(linked.error().systemError));
        // A second name left behind is swept like any temporary file.
        [[maybe_unused]] const Status removed = fs.unlinkAt(folder, from);
        return ok();
    }
    auto reservation = NameReservation::take(folder, to);
    if (!reservation)
        return unexpected(reservation.error());
    return reservation->fillWith(from);
}

} // namespace

Expected<AtomicFile, Failure> AtomicFile::create(FileSystem& fs, const std::filesystem::path& destination, Mode mode,
                                                 unsigned permissions)
{
    return createAt(fs.workingFolder(), nullptr, destination, mode, permissions);
}

Expected<AtomicFile, Failure> AtomicFile::create(const Folder& folder, const std::filesystem::path& name, Mode mode,
                                                 unsigned permissions)
{
    return createAt(folder.handle(), &folder, name, mode, permissions);
}

AtomicFile AtomicFile::adopt(const Folder& folder, temporaryFiles::Created temporary, const std::filesystem::path& name,
                             Mode mode)
{
    return AtomicFile(folder.handle(), &folder, std::move(temporary.file), std::move(temporary.path), name, mode);
}

Expected<AtomicFile, Failure> AtomicFile::createAt(const FileHandle& at, const Folder* folder,
                                                   const std::filesystem::path& destination, Mode mode,
                                                   unsigned permissions)
{
    auto created = temporaryFiles::createLocked(at, temporaryFiles::folderOf(destination), permissions);
    if (!created)
        return unexpected(Failure::of(FailureCause::CannotCreate, created.error().systemError));
    return AtomicFile(at, folder, std::move(created->file), std::move(created->path), destination, mode);
}

AtomicFile::AtomicFile(const FileHandle& at, const Folder* folder, FileHandle file, std::filesystem::path temporary,
                       std::filesystem::path destination, Mode mode)
    : at_(&at), folder_(folder), file_(std::move(file)), temporary_(std::move(temporary)),
      destination_(std::move(destination)), mode_(mode)
{
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : at_(other.at_), folder_(other.folder_), file_(std::move(other.file_)), temporary_(std::move(other.temporary_)),
      destination_(std::move(other.destination_)), mode_(other.mode_), pending_(std::exchange(other.pending_, false)),
      flushed_(other.flushed_)
{
}

AtomicFile::~AtomicFile()
{
    if (pending_)
        discard();
}

void AtomicFile::discard()
{
    [[maybe_unused]] const Status removed = at_->fileSystem().unlinkAt(*at_, temporary_);
    [[maybe_unused]] const Status closed = file_.close();
    pending_ = false;
}

Status AtomicFile::moveIntoPlace()
{
    if (mode_ == Mode::NeverReplace)
        return moveWithoutReplacing(*at_, temporary_, destination_);
    if (const Status moved = at_->fileSystem().renameAt(*at_, temporary_, *at_, destination_); !moved)
        return unexpected(Failure::of(FailureCause::CannotCommit, moved.error().systemError));
    return ok();
}

Status AtomicFile::syncFolder() const
{
    return folder_ ? folder_->sync() : syncFolderAt(at_->fileSystem(), temporaryFiles::folderOf(destination_));
}

Status AtomicFile::flush()
{
    if (!pending_)
        return unexpected(Failure::of(FailureCause::CannotCommit, EINVAL));
    if (flushed_)
        return ok();
    if (const Status synced = at_->fileSystem().sync(file_); !synced) {
        discard();
        return unexpected(Failure::of(FailureCause::CannotWrite, synced.error().systemError));
    }
    flushed_ = true;
    return ok();
}

// Flushed and under its name, though the name is not durable yet.
Status AtomicFile::place()
{
    if (const Status flushed = flush(); !flushed)
        return flushed;
    if (Status moved = moveIntoPlace(); !moved) {
        discard();
        return moved;
    }
    pending_ = false;
    return ok();
}

// Once the folder of a placed file has been synced, or has failed to be.
Status AtomicFile::keepPlaced(const Status& folderSynced)
{
    if (!folderSynced && mode_ == Mode::NeverReplace) {
        [[maybe_unused]] const Status removed = at_->fileSystem().unlinkAt(*at_, destination_);
        [[maybe_unused]] const Status closed = file_.close();
        return unexpected(Failure::of(FailureCause::CannotCommit, folderSynced.error().systemError));
    }
    // Data and name are synced: a late close error cannot change the file.
    [[maybe_unused]] const Status closed = file_.close();
    return ok();
}

Status AtomicFile::commit()
{
    if (const Status placed = place(); !placed)
        return placed;
    // The name is only durable once the folder is synced.
    return keepPlaced(syncFolder());
}

std::vector<Status> AtomicFile::commitTogether(const Folder& folder, std::span<AtomicFile* const> files)
{
    std::vector<Status> committed;
    committed.reserve(files.size());
    bool anyPlaced = false;
    for (AtomicFile* file : files) {
        committed.push_back(file->folder_ == &folder ? file->place()
                                                      : unexpected(Failure::of(FailureCause::CannotCommit, EINVAL)));
        anyPlaced = anyPlaced || committed.back().has_value();
    }
    if (!anyPlaced)
        return committed;
    const Status synced = folder.sync();
    for (size_t i = 0; i < files.size(); ++i)
        if (committed[i])
            committed[i] = files[i]->keepPlaced(synced);
    return committed;
}

} // namespace pellora
