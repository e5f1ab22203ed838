#include "platform/io/TemporaryFiles.h"

#include "platform/io/FileIdentity.h"
#include "platform/io/FileSystem.h"
#include "platform/io/Folder.h"
#include "platform/io/FolderEntries.h"
#include "platform/io/NameReservation.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <unistd.h>

namespace pellora::temporaryFiles {

namespace {

constexpr char kPrefix[] = ".pellora-";
constexpr char kSuffix[] = ".tmp";
constexpr size_t kHexDigits = 16;
// Fresh names: a collision, or a sweeper taking a new file, each time anew,
// means something is badly wrong.
constexpr int kAttempts = 8;

std::uint64_t uniqueNumber()
{
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = std::random_device{}();
    return (seed << 32) ^ (static_cast<std::uint64_t>(::getpid()) << 20) ^ counter.fetch_add(1);
}

// How many files it removed: the temporary file, and the name it was
// reserving when it is an abandoned intent file.
int clearAbandoned(int folder, const std::filesystem::path& where, const std::filesystem::path& path)
{
    FileSystem& fs = FileSystem::current();
    // The lock is held until the unlink, so a writer cannot take the name over meanwhile.
    UniqueFd fd(fs.openAt(folder, path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return 0;
    const int reservation = NameReservation::clearAbandoned(fd.get(), folder, where) ? 1 : 0;
    return reservation + (fs.unlinkAt(folder, path) == 0 ? 1 : 0);
}

// `where` looked up from `folder`: "." for the folder itself.
int sweepIn(int folder, const std::filesystem::path& where)
{
    FolderEntries entries(folder, where);
    int removed = 0;
    while (const auto entry = entries.next())
        if (isOurs(entry->name) && entries.isRegularFile(*entry))
            removed += clearAbandoned(folder, where, where / entry->name);
    return removed;
}

} // namespace

std::filesystem::path nameIn(const std::filesystem::path& folder)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s%016llx%s", kPrefix, static_cast<unsigned long long>(uniqueNumber()),
                  kSuffix);
    return folder / name;
}

std::filesystem::path folderOf(const std::filesystem::path& path)
{
    return path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
}

bool isOurs(const std::string& name)
{
    const size_t prefixLength = sizeof kPrefix - 1, suffixLength = sizeof kSuffix - 1;
    if (name.size() != prefixLength + kHexDigits + suffixLength)
        return false;
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix))
        return false;
    for (size_t i = prefixLength; i < prefixLength + kHexDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

Expected<Created, int> createLocked(int folder, const std::filesystem::path& where, mode_t permissions)
{
    FileSystem& fs = FileSystem::current();
    int error = EEXIST;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::filesystem::path path = nameIn(where);
        const int fd = fs.openAt(folder, path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, permissions);
        if (fd == -EEXIST)
            continue;
        if (fd < 0)
            return unexpected(-fd);
        UniqueFd file(fd);
        const int rc = lockAsOurs(fd, folder, path);
        if (rc == 0)
            return Created{std::move(file), std::move(path)};
        error = -rc;
    }
    return unexpected(error);
}

int lockAsOurs(int fd, int folder, const std::filesystem::path& name)
{
    int rc = 0;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return errno == EWOULDBLOCK ? -EWOULDBLOCK : 0;
    // A sweeper may have locked, removed and let go of it before we asked.
    return FileIdentity::nameLeadsTo(folder, name, fd) ? 0 : -EWOULDBLOCK;
}

int sweep(const std::filesystem::path& folder)
{
    return sweepIn(AT_FDCWD, folder);
}

int sweep(const Folder& folder)
{
    return sweepIn(folder.fd(), ".");
}

} // namespace pellora::temporaryFiles
