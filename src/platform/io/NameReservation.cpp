#include "platform/io/NameReservation.h"

#include "platform/io/FileIdentity.h"
#include "platform/io/FileSystem.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/io/WriteAll.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>

namespace pellora {

namespace {

constexpr size_t kLongestName = 255;

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Up to `limit` bytes from the descriptor's current offset.
std::string readUpTo(int fd, size_t limit)
{
    FileSystem& fs = FileSystem::current();
    std::string bytes(limit, '\0');
    size_t done = 0;
    while (done < limit) {
        const ssize_t n = fs.read(fd, bytes.data() + done, limit - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

// The name an intent file records, or nothing when it holds no complete one.
std::optional<std::string> recordedName(const std::string& intent)
{
    if (!intent.starts_with(NameReservation::kIntent))
        return std::nullopt;
    const std::string rest = intent.substr(NameReservation::kIntent.size());
    const size_t end = rest.find('\n');
    if (end == std::string::npos || end == 0)
        return std::nullopt; // written only in part
    const std::string name = rest.substr(0, end);
    if (name == "." || name == ".." || name.find_first_of(std::string("/\0", 2)) != std::string::npos)
        return std::nullopt;
    return name;
}

// Removes `path` in `folder` when nobody holds it and it holds nothing but a
// beginning of the marker (an empty file included: the kill fell before the
// marker).
bool removeIfUnfinishedReservation(int folder, const std::filesystem::path& path)
{
    FileSystem& fs = FileSystem::current();
    UniqueFd fd(fs.openAt(folder, path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
    struct stat info {}, named {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<size_t>(info.st_size) > NameReservation::kMarker.size())
        return false;
    // Held until the unlink, so a live writer cannot take it meanwhile.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    const std::string content = readUpTo(fd.get(), NameReservation::kMarker.size() + 1);
    if (!NameReservation::kMarker.starts_with(content))
        return false;
    if (::fstatat(folder, path.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !sameFile(info, named))
        return false;
    return fs.unlinkAt(folder, path) == 0;
}

} // namespace

NameReservation::NameReservation(int folder, std::filesystem::path path) : folder_(folder), path_(std::move(path)) {}

NameReservation::NameReservation(NameReservation&& other) noexcept
    : folder_(other.folder_), path_(std::move(other.path_)), intentPath_(std::move(other.intentPath_)), intent_(std::move(other.intent_)),
      fd_(std::move(other.fd_)), filled_(std::exchange(other.filled_, true))
{
}

NameReservation::~NameReservation()
{
    FileSystem& fs = FileSystem::current();
    if (!filled_ && fd_.valid() && nameStillHoldsIt())
        fs.unlinkAt(folder_, path_);
    // Only now: while the reservation may exist, the intent must too.
    if (intent_.valid())
        fs.unlinkAt(folder_, intentPath_);
}

Expected<NameReservation, Failure> NameReservation::take(const std::filesystem::path& path)
{
    return take(AT_FDCWD, path);
}

Expected<NameReservation, Failure> NameReservation::take(int folder, const std::filesystem::path& name)
{
    NameReservation reservation(folder, name);
    if (const int rc = reservation.recordIntent(); rc != 0)
        return unexpected(Failure::ofPlacing(-rc));
    if (const int rc = reservation.createMarked(); rc != 0)
        return unexpected(Failure::ofPlacing(-rc)); // `reservation` removes what it made
    return reservation;
}

int NameReservation::recordIntent()
{
    const std::string name = path_.filename().string();
    if (name.empty() || name.size() > kLongestName)
        return -EINVAL;
    auto intent = temporaryFiles::createLocked(folder_, temporaryFiles::folderOf(path_), 0644);
    if (!intent) {
        // Not the reserved name that was taken, but ever new names of ours.
        const int error = intent.error();
        return error == EEXIST || error == EWOULDBLOCK ? -EAGAIN : -error;
    }
    intent_ = std::move(intent->fd);
    intentPath_ = std::move(intent->path);
    const std::string record = std::string(kIntent) + name + "\n";
    return writeAll(intent_.get(), record.data(), record.size());
}

int NameReservation::createMarked()
{
    const int opened = FileSystem::current().openAt(folder_, path_, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
    if (opened < 0)
        return opened;
    UniqueFd fd(opened);
    // A sweeper clearing what a killed run reserved under the same name may
    // have taken our new file for that run's: it removes the file, so the
    // name is as good as taken. Only a file we hold is ever removed by us.
    if (temporaryFiles::lockAsOurs(fd.get(), folder_, path_) != 0)
        return -EEXIST;
    fd_ = std::move(fd);
    return writeAll(fd_.get(), kMarker.data(), kMarker.size());
}

bool NameReservation::nameStillHoldsIt() const
{
    return FileIdentity::nameLeadsTo(folder_, path_, fd_.get());
}

std::optional<Failure> NameReservation::fillWith(const std::filesystem::path& from)
{
    if (filled_ || !fd_.valid())
        return Failure::ofPlacing(EINVAL);
    // A rename replaces whatever has the name; make sure that is still ours.
    if (!nameStillHoldsIt()) {
        filled_ = true; // the name is somebody else's now: never remove it
        return Failure::ofPlacing(EEXIST);
    }
    if (const int rc = FileSystem::current().renameAt(folder_, from, folder_, path_); rc != 0)
        return Failure::ofPlacing(-rc);
    filled_ = true;
    return std::nullopt;
}

bool NameReservation::clearAbandoned(int fd, int folder, const std::filesystem::path& where)
{
    const auto name = recordedName(readUpTo(fd, kIntent.size() + kLongestName + 1));
    return name && removeIfUnfinishedReservation(folder, where / *name);
}

} // namespace pellora
