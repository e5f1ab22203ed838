#pragma once

#include <sys/types.h>
#include <ctime>
#include <fcntl.h>
#include <filesystem>

namespace pellora {

// Every file operation whose failure could lose or damage a picture goes
// through here, so tests can make any one of them fail (root ignores
// permission bits, so they cannot rely on chmod) and record their order.
// The base class performs the real system calls; a test subclass overrides
// what it needs and installs itself with ScopedFileSystem.
//
// A name is looked up from `folder`, the descriptor of a folder opened once
// (see Folder): renaming that folder, or putting a link where it was, then
// cannot send the call anywhere else. With AT_FDCWD, the name is an ordinary
// path; the calls without a folder are those.
//
// Results follow the kernel's convention: a non-negative value on success,
// minus errno on failure; so do the two loops of WriteAll.h. What is built on
// them returns Failure values instead. Implementations must be thread-safe.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual int openAt(int folder, const std::filesystem::path& name, int flags, mode_t mode = 0666);
    virtual ssize_t read(int fd, void* buffer, size_t size);
    virtual ssize_t pread(int fd, void* buffer, size_t size, off_t offset);
    virtual ssize_t write(int fd, const void* buffer, size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    // Moves `from` to `to` only when `to` does not exist (never replaces).
    // Some file systems refuse the request itself (EINVAL); see AtomicFile.
    virtual int renameNoReplaceAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                                  const std::filesystem::path& to);
    // A second name for `from`; fails with EEXIST when `to` exists.
    virtual int linkAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                       const std::filesystem::path& to);
    // Moves `from` over `to`, replacing it atomically.
    virtual int renameAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                         const std::filesystem::path& to);
    // A file, never a folder.
    virtual int unlinkAt(int folder, const std::filesystem::path& name);
    virtual int mkdirAt(int folder, const std::filesystem::path& name, mode_t mode = 0777);
    virtual int setModificationTime(int fd, const timespec& time);

    int open(const std::filesystem::path& path, int flags, mode_t mode = 0666)
    {
        return openAt(AT_FDCWD, path, flags, mode);
    }
    int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
    {
        return renameNoReplaceAt(AT_FDCWD, from, AT_FDCWD, to);
    }
    int link(const std::filesystem::path& from, const std::filesystem::path& to)
    {
        return linkAt(AT_FDCWD, from, AT_FDCWD, to);
    }
    int rename(const std::filesystem::path& from, const std::filesystem::path& to)
    {
        return renameAt(AT_FDCWD, from, AT_FDCWD, to);
    }
    int unlink(const std::filesystem::path& path) { return unlinkAt(AT_FDCWD, path); }
    int mkdir(const std::filesystem::path& path, mode_t mode = 0777) { return mkdirAt(AT_FDCWD, path, mode); }

    // The instance every caller uses.
    static FileSystem& current();

private:
    friend class ScopedFileSystem;
    static FileSystem* install(FileSystem* replacement);
};

// Installs a replacement for its lifetime (tests only).
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
