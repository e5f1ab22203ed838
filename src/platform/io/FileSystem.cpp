#include "platform/io/FileSystem.h"

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

} // namespace

int FileSystem::openAt(int folder, const std::filesystem::path& name, int flags, mode_t mode)
{
    // Never as our controlling terminal, whatever device a name turns out to be.
    return resultOf(
        retryOnInterrupt([&] { return ::openat(folder, name.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode); }));
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

int FileSystem::renameNoReplaceAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                                  const std::filesystem::path& to)
{
    const long rc = ::syscall(SYS_renameat2, fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE);
    return rc == 0 ? 0 : -errno;
}

int FileSystem::linkAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                       const std::filesystem::path& to)
{
    return resultOf(::linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0));
}

int FileSystem::renameAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                         const std::filesystem::path& to)
{
    return resultOf(::renameat(fromFolder, from.c_str(), toFolder, to.c_str()));
}

int FileSystem::unlinkAt(int folder, const std::filesystem::path& name)
{
    return resultOf(::unlinkat(folder, name.c_str(), 0));
}

int FileSystem::mkdirAt(int folder, const std::filesystem::path& name, mode_t mode)
{
    return resultOf(::mkdirat(folder, name.c_str(), mode));
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
