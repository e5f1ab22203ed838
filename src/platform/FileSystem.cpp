#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace pellora {

namespace {

FileSystem& realFileSystem()
{
    static FileSystem instance;
    return instance;
}

std::atomic<FileSystem*> installed{nullptr};

int resultOf(int rc) { return rc < 0 ? -errno : rc; }

ssize_t resultOf(ssize_t rc) { return rc < 0 ? -errno : rc; }

template <typename Call>
auto retryOnInterrupt(Call call)
{
    for (;;) {
        auto rc = call();
        if (!(rc < 0 && errno == EINTR))
            return rc;
    }
}

// Without renameat2 (old kernels, some file systems), a hard link gives the
// same never-replace guarantee: link fails with EEXIST when the name is taken.
int linkThenUnlink(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::link(from.c_str(), to.c_str()) != 0)
        return -errno;
    ::unlink(from.c_str());
    return 0;
}

} // namespace

int FileSystem::open(const std::filesystem::path& path, int flags, mode_t mode)
{
    return resultOf(retryOnInterrupt([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); }));
}

ssize_t FileSystem::read(int fd, void* buffer, size_t size)
{
    return resultOf(retryOnInterrupt([&] { return ::read(fd, buffer, size); }));
}

ssize_t FileSystem::pread(int fd, void* buffer, size_t size, off_t offset)
{
    return resultOf(retryOnInterrupt([&] { return ::pread(fd, buffer, size, offset); }));
}

ssize_t FileSystem::write(int fd, const void* buffer, size_t size)
{
    return resultOf(retryOnInterrupt([&] { return ::write(fd, buffer, size); }));
}

int FileSystem::fsync(int fd) { return resultOf(::fsync(fd)); }

int FileSystem::close(int fd) { return resultOf(::close(fd)); }

int FileSystem::renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    long rc = ::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (rc == 0)
        return 0;
    if (errno == ENOSYS || errno == EINVAL)
        return linkThenUnlink(from, to);
    return -errno;
}

int FileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return resultOf(::rename(from.c_str(), to.c_str()));
}

int FileSystem::unlink(const std::filesystem::path& path) { return resultOf(::unlink(path.c_str())); }

int FileSystem::mkdir(const std::filesystem::path& path, mode_t mode)
{
    return resultOf(::mkdir(path.c_str(), mode));
}

int FileSystem::setModificationTime(int fd, const timespec& time)
{
    const timespec times[2] = {{0, UTIME_OMIT}, time};
    return resultOf(::futimens(fd, times));
}

FileSystem& FileSystem::current()
{
    FileSystem* replacement = installed.load(std::memory_order_acquire);
    return replacement ? *replacement : realFileSystem();
}

FileSystem* FileSystem::install(FileSystem* replacement)
{
    return installed.exchange(replacement, std::memory_order_acq_rel);
}

} // namespace pellora
