#include "platform/NameReservation.h"

#include "platform/FileSystem.h"
#include "platform/WriteAll.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

namespace pellora {

namespace {

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A sweeper looking at the fresh, still empty file may hold its lock for a
// moment; it lets go as soon as it sees no marker.
int lockSoon(int fd)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return 0;
        if (errno != EWOULDBLOCK)
            return -errno;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -EWOULDBLOCK;
}

bool holdsOnlyTheMarker(FileSystem& fs, int fd)
{
    std::string bytes(NameReservation::kMarker.size() + 1, '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = fs.read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return std::string_view(bytes.data(), done) == NameReservation::kMarker;
}

} // namespace

NameReservation::NameReservation(UniqueFd fd, std::filesystem::path path) : fd_(std::move(fd)), path_(std::move(path)) {}

NameReservation::NameReservation(NameReservation&& other) noexcept
    : fd_(std::move(other.fd_)), path_(std::move(other.path_)), filled_(std::exchange(other.filled_, true))
{
}

NameReservation::~NameReservation()
{
    if (!filled_ && fd_.valid() && nameStillHoldsIt())
        FileSystem::current().unlink(path_);
}

Expected<NameReservation, int> NameReservation::take(const std::filesystem::path& path)
{
    FileSystem& fs = FileSystem::current();
    UniqueFd fd(fs.open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0644));
    if (!fd.valid())
        return unexpected(fd.get());
    NameReservation reservation(std::move(fd), path);
    // Locked before the marker is in: a file that holds the marker was locked when it got it.
    int rc = lockSoon(reservation.fd_.get());
    if (rc == 0)
        rc = writeAll(reservation.fd_.get(), kMarker.data(), kMarker.size());
    if (rc != 0)
        return unexpected(rc); // `reservation` removes the file
    return reservation;
}

bool NameReservation::nameStillHoldsIt() const
{
    struct stat ours {}, named {};
    return ::fstat(fd_.get(), &ours) == 0 && ::lstat(path_.c_str(), &named) == 0 && sameFile(ours, named);
}

int NameReservation::fillWith(const std::filesystem::path& from)
{
    if (filled_ || !fd_.valid())
        return -EINVAL;
    // A rename replaces whatever has the name; make sure that is still ours.
    if (!nameStillHoldsIt()) {
        filled_ = true; // the name is somebody else's now: never remove it
        return -EEXIST;
    }
    const int rc = FileSystem::current().rename(from, path_);
    if (rc == 0)
        filled_ = true;
    return rc;
}

bool NameReservation::clearIfAbandoned(const std::filesystem::path& path)
{
    FileSystem& fs = FileSystem::current();
    UniqueFd fd(fs.open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
    struct stat info {}, named {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<size_t>(info.st_size) != kMarker.size())
        return false;
    // Holding the lock until the unlink keeps a live writer from taking it meanwhile.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || !holdsOnlyTheMarker(fs, fd.get()))
        return false;
    if (::lstat(path.c_str(), &named) != 0 || !sameFile(info, named))
        return false;
    return fs.unlink(path) == 0;
}

} // namespace pellora
