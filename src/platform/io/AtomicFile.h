#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/Folder.h"
#include "platform/io/FileHandle.h"
#include "platform/io/TemporaryFiles.h"

#include <filesystem>
#include <span>
#include <vector>

namespace pellora {

class FileSystem;

// A file that appears under its name complete and durable, or not at all.
// The caller writes it through fd() into a temporary file of ours beside its
// destination; committing syncs it (unless flush() already did), moves it to
// its name and syncs the folder. Files committed together in one folder share
// that last sync, the slow one on a removable drive. Dropped uncommitted, it
// removes its temporary file, so no failure leaves one behind; what a killed
// process leaves, temporaryFiles::sweep removes.
//
// NeverReplace, for pictures: the move never replaces a file that has the
// name, by the strongest means the file system offers: a rename that refuses
// to replace; where the file system lacks it, a hard link and the removal of
// the old name; where it lacks hard links too (exFAT and FAT through FUSE),
// an exclusive reservation of the name that the file is then renamed over
// (NameReservation). A folder that cannot be synced takes the file back,
// since its name could vanish on a crash while the caller deletes the source.
//
// Replace, for the settings file: the move replaces the destination at once,
// which then holds either its old or its new contents, never half of them. A
// folder that cannot be synced no longer risks the old contents; that is not
// a failure.
//
// In a Folder, the file is made, moved and synced there by name, wherever
// the folder is moved meanwhile; given a path alone, the path is used as it
// is at each step.
class AtomicFile {
public:
    enum class Mode { Replace, NeverReplace };

    // An empty temporary file beside `destination` in `fs`, created with `permissions`
    // (less the umask). On failure, CannotCreate.
    static Expected<AtomicFile, Failure> create(FileSystem& fs, const std::filesystem::path& destination, Mode mode,
                                                unsigned permissions = 0644);
    // The same for `name` in `folder`, which must outlive the file.
    static Expected<AtomicFile, Failure> create(const Folder& folder, const std::filesystem::path& name, Mode mode,
                                                unsigned permissions = 0644);
    // The same around a temporary file of ours made ahead in `folder` (see
    // SpareTemporaryFiles), still empty and locked; `name` is a bare name.
    static AtomicFile adopt(const Folder& folder, temporaryFiles::Created temporary, const std::filesystem::path& name,
                            Mode mode);

    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // The temporary file, open for writing.
    const FileHandle& file() const { return file_; }

    // Makes the data durable now, so that a later commit has only the name
    // left to do; a failure removes the temporary file (CannotWrite). Like
    // commit, safe to run on another thread than the one that created the
    // file, one thread at a time.
    [[nodiscard]] Status flush();

    // CannotWrite when the data cannot be synced; DestinationExists when the
    // name is taken (never-replace only); otherwise CannotCommit.
    [[nodiscard]] Status commit();

    // Commits `files`, in their order, with one sync of `folder` for all of
    // them: each is flushed (unless it was) and moved to its name, then the
    // folder is synced once, and only then is any of the names durable. One
    // status per file, as commit() gives it; a file not created in `folder`
    // fails (CannotCommit, EINVAL) and is left uncommitted.
    static std::vector<Status> commitTogether(const Folder& folder, std::span<AtomicFile* const> files);

private:
    AtomicFile(const FileHandle& at, const Folder* folder, FileHandle file, std::filesystem::path temporary,
               std::filesystem::path destination, Mode mode);
    static Expected<AtomicFile, Failure> createAt(const FileHandle& at, const Folder* folder,
                                                  const std::filesystem::path& destination, Mode mode,
                                                  unsigned permissions);
    Status place();
    Status keepPlaced(const Status& folderSynced);
    Status moveIntoPlace();
    Status syncFolder() const;
    void discard();

    const FileHandle* at_; // what names are looked up from: the folder's handle, or the working folder
    const Folder* folder_; // none: names are paths
    FileHandle file_; // holds the temporary file's lock until it is committed or removed
    std::filesystem::path temporary_;
    std::filesystem::path destination_;
    Mode mode_;
    bool pending_ = true; // not yet under its name, nor removed
    bool flushed_ = false;
};

} // namespace pellora
