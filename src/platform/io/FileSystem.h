#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"
#include "platform/io/FileStatus.h"
#include "platform/io/OpenFlags.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <vector>

namespace pellora {

// Every file operation whose failure could lose or damage a picture goes
// through here, so tests can make any one of them fail (root ignores
// permission bits, so they cannot rely on chmod) and record their order. A
// backend (posix/) makes the system's calls; a test's file system overrides
// what it needs and delegates the rest.
//
// A name is looked up from `folder`, the handle of a folder opened once (see
// Folder): renaming that folder, or putting a link where it was, then cannot
// send the call anywhere else. From workingFolder(), the name is an ordinary
// path.
//
// A failure carries the system's error number (ENOENT, EEXIST... from
// <cerrno>, whatever the backend) and the cause an operation of its kind
// usually has; callers that know better give it their own. Implementations
// must be thread-safe.
class FileSystem {
public:
    enum class Links { Followed, NotFollowed };

    virtual ~FileSystem() = default;

    // Failures: CannotCreate with Open::Create, CannotWrite when opening for
    // writing, otherwise CannotRead.
    virtual Expected<FileHandle, Failure> openAt(const FileHandle& folder, const std::filesystem::path& name,
                                                 OpenFlags flags, unsigned permissions = 0666) = 0;
    virtual Expected<std::size_t, Failure> read(const FileHandle& file, void* buffer, std::size_t size) = 0;
    virtual Expected<std::size_t, Failure> readAt(const FileHandle& file, void* buffer, std::size_t size,
                                                  std::uint64_t offset) = 0;
    virtual Expected<std::size_t, Failure> write(const FileHandle& file, const void* buffer, std::size_t size) = 0;
    // Makes what was written durable (CannotWrite).
    virtual Status sync(const FileHandle& file) = 0;
    // Moves `from` to `to` only when `to` does not exist (never replaces).
    // Some file systems refuse the request itself (EINVAL); see AtomicFile.
    virtual Status renameNoReplaceAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                                     const FileHandle& toFolder, const std::filesystem::path& to) = 0;
    // A second name for `from`; fails with EEXIST when `to` exists.
    virtual Status linkAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                          const FileHandle& toFolder, const std::filesystem::path& to) = 0;
    // Moves `from` over `to`, replacing it atomically.
    virtual Status renameAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                            const FileHandle& toFolder, const std::filesystem::path& to) = 0;
    // A file, never a folder (CannotDelete).
    virtual Status unlinkAt(const FileHandle& folder, const std::filesystem::path& name) = 0;
    // Deletes `file`, which the caller opened as `name` in `folder` with
    // Open::ToDelete and has checked since: where the system can, through
    // the handle itself, so that the file checked is the file that goes (on
    // Windows when the handle is closed); otherwise by name, as unlinkAt
    // (CannotDelete).
    virtual Status unlinkOpened(const FileHandle& file, const FileHandle& folder,
                                const std::filesystem::path& name) = 0;
    virtual Status mkdirAt(const FileHandle& folder, const std::filesystem::path& name,
                           unsigned permissions = 0777) = 0;
    virtual Status setModificationTime(const FileHandle& file, const timespec& time) = 0;
    // Who may use the file; for a file that replaces another of the user's.
    virtual Status setOwner(const FileHandle& file, std::uint32_t owner, std::uint32_t group) = 0;
    virtual Status setPermissions(const FileHandle& file, unsigned permissions) = 0;

    // What the open file is now (CannotRead).
    virtual Expected<FileStatus, Failure> status(const FileHandle& file) = 0;
    // What `name` is: the entry itself, or what a link there leads to.
    virtual Expected<FileStatus, Failure> statusAt(const FileHandle& folder, const std::filesystem::path& name,
                                                   Links links) = 0;
    // Takes the file's exclusive lock without waiting: EWOULDBLOCK when
    // someone else holds it. Held until the file is closed.
    virtual Status tryLock(const FileHandle& file) = 0;
    // The names in the folder `where`, looked up from `folder`; from a
    // listing of its own, so that no other reader of the folder is disturbed.
    virtual FolderListing listAt(const FileHandle& folder, const std::filesystem::path& where) = 0;

    // What names that are ordinary paths are looked up from.
    virtual const FileHandle& workingFolder() = 0;

    Expected<FileHandle, Failure> open(const std::filesystem::path& path, OpenFlags flags,
                                       unsigned permissions = 0666)
    {
        return openAt(workingFolder(), path, flags, permissions);
    }

    // The file system a front end hands to the engine: the system's own, or
    // a test's replacement while a ScopedFileSystem is installed. The engine
    // itself never asks for it: it is given its FileSystem, and then works
    // through the handles and folders it opens there.
    static FileSystem& forFrontEnds();

protected:
    friend class FileHandle;
    // Only through FileHandle, which owns what it closes.
    virtual Status close(NativeHandle handle) = 0;

private:
    friend class ScopedFileSystem;
    static FileSystem* install(FileSystem* replacement);
};

// The system's own file system, as the backend of this platform makes its calls.
FileSystem& systemFileSystem();

// Installs a replacement for the front ends for its lifetime (tests of a
// front end only; the others hand their FileSystem to the engine).
class ScopedFileSystem {
public:
    explicit ScopedFileSystem(FileSystem& replacement) : previous_(FileSystem::install(&replacement)) {}
    ~ScopedFileSystem() { FileSystem::install(previous_); }
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

private:
    FileSystem* previous_;
};

} // namespace pellora
