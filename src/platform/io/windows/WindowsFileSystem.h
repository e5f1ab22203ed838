#pragma once

#include "platform/io/FileSystem.h"

namespace pellora {

// FileSystem on Windows: the wide-character calls, with every name resolved
// against the path its folder's handle has now (windowsPath). A Folder's
// handle is opened without FILE_SHARE_DELETE where Windows allows it, so
// that nobody can rename or remove the folder while a run holds it (nor,
// on Windows' file systems, a folder above it while it is open): the path
// the handle has is then the path of the folder the run opened, as a POSIX
// call relative to the folder would have it. Opening relative to the handle
// itself (NtCreateFile's RootDirectory) would cover opens only: moves, hard
// links and listings take paths, and MoveFileExW is what refuses a taken
// name in the same step and writes the move through. GetLastError() becomes
// an error number here and goes no further (windowsErrors).
//
// Sharing: a file is opened sharing reading, writing and deleting with
// everyone, so the game may go on writing a screenshot we read and our own
// temporary files can be moved while we hold them; only Open::ToDelete
// denies others writing, moving and deleting. Links: Open::NoFollow and
// Links::NotFollowed never follow a symbolic link or a junction (a reparse
// point that names another file); other reparse points (a file the system
// keeps compressed or in the cloud) are files and are read as such.
class WindowsFileSystem : public FileSystem {
public:
    WindowsFileSystem();

    Expected<FileHandle, Failure> openAt(const FileHandle& folder, const std::filesystem::path& name, OpenFlags flags,
                                         unsigned permissions = 0666) override;
    Expected<std::size_t, Failure> read(const FileHandle& file, void* buffer, std::size_t size) override;
    Expected<std::size_t, Failure> readAt(const FileHandle& file, void* buffer, std::size_t size,
                                          std::uint64_t offset) override;
    Expected<std::size_t, Failure> write(const FileHandle& file, const void* buffer, std::size_t size) override;
    Status sync(const FileHandle& file) override;
    Status renameNoReplaceAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                             const FileHandle& toFolder, const std::filesystem::path& to) override;
    Status linkAt(const FileHandle& fromFolder, const std::filesystem::path& from, const FileHandle& toFolder,
                  const std::filesystem::path& to) override;
    Status renameAt(const FileHandle& fromFolder, const std::filesystem::path& from, const FileHandle& toFolder,
                    const std::filesystem::path& to) override;
    Status unlinkAt(const FileHandle& folder, const std::filesystem::path& name) override;
    Status unlinkOpened(const FileHandle& file, const FileHandle& folder, const std::filesystem::path& name) override;
    Status mkdirAt(const FileHandle& folder, const std::filesystem::path& name, unsigned permissions = 0777) override;
    Status setModificationTime(const FileHandle& file, const timespec& time) override;
    Status setOwner(const FileHandle& file, std::uint32_t owner, std::uint32_t group) override;
    Status setPermissions(const FileHandle& file, unsigned permissions) override;
    Expected<FileStatus, Failure> status(const FileHandle& file) override;
    Expected<FileStatus, Failure> statusAt(const FileHandle& folder, const std::filesystem::path& name,
                                           Links links) override;
    Status tryLock(const FileHandle& file) override;
    FolderListing listAt(const FileHandle& folder, const std::filesystem::path& where) override;
    const FileHandle& workingFolder() override { return workingFolder_; }

    // Where the lock of tryLock lies: one byte far past the end of any
    // picture. Windows' locks keep others from reading and writing the bytes
    // they cover; this one covers none a reader needs.
    static constexpr std::uint64_t kLockOffset = 0x7FFF'FFFF'FFFF'FFF0ull;

protected:
    Status close(NativeHandle handle) override;

private:
    Status move(const FileHandle& fromFolder, const std::filesystem::path& from, const FileHandle& toFolder,
                const std::filesystem::path& to, unsigned long flags, FailureCause cause);

    FileHandle workingFolder_;
};

} // namespace pellora
