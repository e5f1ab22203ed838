#include "settings/ProfileFile.h"

#include "platform/io/FileReader.h"
#include "platform/io/FileSystem.h"
#include "platform/io/UniqueFd.h"
#include "platform/io/WriteAll.h"

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
    const int rc = writeAll(fd, bytes.data(), bytes.size());
    return rc != 0 ? rc : FileSystem::current().fsync(fd);
}

} // namespace

Expected<ProfileFile::Contents, int> ProfileFile::read(const std::filesystem::path& path)
{
    // A settings file that is a link is read (and later updated) through it.
    auto file = FileReader::readAll(path, kMaxSize, true);
    if (!file)
        return unexpected(file.error());
    return Contents{std::string(file->bytes.begin(), file->bytes.end()), file->mode};
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
