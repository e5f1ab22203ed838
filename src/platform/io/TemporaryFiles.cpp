#include "platform/io/TemporaryFiles.h"

#include "platform/io/FileSystem.h"
#include "platform/io/NameReservation.h"
#include "platform/io/UniqueFd.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace pellora::temporaryFiles {

namespace {

constexpr char kPrefix[] = ".pellora-";
constexpr char kSuffix[] = ".tmp";
constexpr size_t kHexDigits = 16;

std::uint64_t uniqueNumber()
{
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = std::random_device{}();
    return (seed << 32) ^ (static_cast<std::uint64_t>(::getpid()) << 20) ^ counter.fetch_add(1);
}

bool isRegularNotLink(const std::filesystem::directory_entry& entry)
{
    std::error_code error;
    return std::filesystem::is_regular_file(entry.symlink_status(error)) && !error;
}

// How many files it removed: the temporary file, and the name it was
// reserving when it is an abandoned intent file.
int clearAbandoned(const std::filesystem::path& path)
{
    FileSystem& fs = FileSystem::current();
    // The lock is held until the unlink, so a writer cannot take the name over meanwhile.
    UniqueFd fd(fs.open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return 0;
    const int reservation = NameReservation::clearAbandoned(fd.get(), path.parent_path()) ? 1 : 0;
    return reservation + (fs.unlink(path) == 0 ? 1 : 0);
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

int sweep(const std::filesystem::path& folder)
{
    std::error_code error;
    int removed = 0;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (isRegularNotLink(*it) && isOurs(it->path().filename().string()))
            removed += clearAbandoned(it->path());
    return removed;
}

} // namespace pellora::temporaryFiles
