#include "platform/io/TemporaryFiles.h"

#include "platform/io/FileIdentity.h"
#include "platform/io/FileSystem.h"
#include "platform/io/Folder.h"
#include "platform/io/FolderEntries.h"
#include "platform/io/NameReservation.h"
#include "platform/io/OpenRegular.h"
#include "platform/text/PathText.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
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
int clearAbandoned(const FileHandle& folder, const std::filesystem::path& where, const std::filesystem::path& path)
{
    FileSystem& fs = folder.fileSystem();
    // The lock is held until the unlink, so a writer cannot take the name over meanwhile.
    const auto opened = openRegular(folder, path, Open::Read | Open::NoFollow, FailureCause::CannotRead);
    if (!opened || !fs.tryLock(opened->handle))
        return 0;
    const int reservation = NameReservation::clearAbandoned(opened->handle, folder, where) ? 1 : 0;
    return reservation + (fs.unlinkAt(folder, path) ? 1 : 0);
}

// `where` looked up from `folder`: "." for the folder itself.
int sweepIn(const FileHandle& folder, const std::filesystem::path& where)
{
    FolderEntries entries(folder, where);
    int removed = 0;
    while (const auto entry = entries.next())
        if (isOurs(entry->name) && entries.isRegularFile(*entry))
            removed += clearAbandoned(folder, where, where / pathText::toPath(entry->name));
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

Expected<Created, Failure> createLocked(const FileHandle& folder, const std::filesystem::path& where,
                                        unsigned permissions)
{
    FileSystem& fs = folder.fileSystem();
    int error = EEXIST;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::filesystem::path path = nameIn(where);
        auto file = fs.openAt(folder, path, Open::Write | Open::Create | Open::Exclusive | Open::NoFollow, permissions);
        if (!file && file.error().systemError == EEXIST)
            continue;
        if (!file)
            return unexpected(Failure::of(FailureCause::CannotCreate, file.error().systemError));
        const Status locked = lockAsOurs(*file, folder, path);
        if (locked)
            return Created{std::move(*file), std::move(path)};
        error = locked.error().systemError;
    }
    return unexpected(Failure::of(FailureCause::CannotCreate, error));
}

Status lockAsOurs(const FileHandle& file, const FileHandle& folder, const std::filesystem::path& name)
{
    if (const Status locked = file.fileSystem().tryLock(file); !locked)
        return locked.error().systemError == EWOULDBLOCK ? Status(unexpected(Failure::of(FailureCause::CannotCreate, EWOULDBLOCK)))
                                                          : ok();
    // A sweeper may have locked, removed and let go of it before we asked.
    if (!FileIdentity::nameLeadsTo(folder, name, file))
        return unexpected(Failure::of(FailureCause::CannotCreate, EWOULDBLOCK));
    return ok();
}

int sweep(FileSystem& fs, const std::filesystem::path& folder)
{
    return sweepIn(fs.workingFolder(), folder);
}

int sweep(const Folder& folder)
{
    return sweepIn(folder.handle(), ".");
}

} // namespace pellora::temporaryFiles
