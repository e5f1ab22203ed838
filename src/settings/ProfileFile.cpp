#include "settings/ProfileFile.h"

#include "platform/FileSystem.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellora {

namespace {

// A name no user would give a file, unique per process and per call, so that
// two copies of the tool saving at once never write into each other's file.
std::filesystem::path temporaryBeside(const std::filesystem::path& path)
{
    static std::atomic<unsigned> counter{0};
    const std::string name = "." + path.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-"
        + std::to_string(counter.fetch_add(1));
    return path.parent_path() / name;
}

std::filesystem::path followLink(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
        return path;
    std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target;
}

int writeAll(int fd, std::string_view bytes)
{
    FileSystem& fs = FileSystem::current();
    while (!bytes.empty()) {
        const ssize_t n = fs.write(fd, bytes.data(), bytes.size());
        if (n < 0)
            return static_cast<int>(n);
        if (n == 0)
            return -EIO;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// Makes the rename itself durable; a failure here no longer risks the old
// contents, so it is not reported.
void syncFolder(const std::filesystem::path& folder)
{
    FileSystem& fs = FileSystem::current();
    UniqueFd fd(fs.open(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY));
    if (fd.valid())
        fs.fsync(fd.get());
}

int fillAndSync(int fd, std::string_view bytes, std::optional<mode_t> mode)
{
    if (mode)
        ::fchmod(fd, *mode & 07777);
    const int rc = writeAll(fd, bytes);
    return rc != 0 ? rc : FileSystem::current().fsync(fd);
}

} // namespace

Expected<ProfileFile::Contents, int> ProfileFile::read(const std::filesystem::path& path)
{
    FileSystem& fs = FileSystem::current();
    // Non-blocking, so that a FIFO under the file's name cannot hang the open.
    UniqueFd fd(fs.open(path, O_RDONLY | O_NONBLOCK));
    if (!fd.valid())
        return unexpected(-fd.get());
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return unexpected(errno);
    if (!S_ISREG(info.st_mode))
        return unexpected(EISDIR);
    if (static_cast<std::uint64_t>(info.st_size) > kMaxSize)
        return unexpected(EFBIG);

    Contents contents;
    contents.mode = info.st_mode;
    // One byte more than allowed, to notice a file that grew after fstat.
    contents.bytes.resize(static_cast<size_t>(info.st_size) + 1);
    size_t done = 0;
    while (done < contents.bytes.size()) {
        const ssize_t n = fs.read(fd.get(), contents.bytes.data() + done, contents.bytes.size() - done);
        if (n < 0)
            return unexpected(static_cast<int>(-n));
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
        if (done == contents.bytes.size() && done <= kMaxSize)
            contents.bytes.resize(std::min<size_t>(done * 2, kMaxSize + 1));
    }
    if (done > kMaxSize)
        return unexpected(EFBIG);
    contents.bytes.resize(done);
    return contents;
}

int ProfileFile::probeWritable(const std::filesystem::path& path)
{
    UniqueFd fd(FileSystem::current().open(path, O_WRONLY | O_NONBLOCK));
    return fd.valid() ? 0 : fd.get();
}

int ProfileFile::replace(const std::filesystem::path& path, std::string_view bytes, std::optional<mode_t> mode)
{
    const std::filesystem::path target = followLink(path);
    const std::filesystem::path temporary = temporaryBeside(target);
    FileSystem& fs = FileSystem::current();
    UniqueFd fd(fs.open(temporary, O_WRONLY | O_CREAT | O_EXCL, 0666));
    if (!fd.valid())
        return fd.get();
    int rc = fillAndSync(fd.get(), bytes, mode);
    const int closed = fd.close();
    if (rc == 0)
        rc = closed;
    if (rc == 0)
        rc = fs.rename(temporary, target);
    if (rc != 0) {
        fs.unlink(temporary);
        return rc;
    }
    syncFolder(target.parent_path());
    return 0;
}

} // namespace pellora
