#include "platform/TempFileSweeper.h"

#include "platform/FileSystem.h"
#include "platform/NameReservation.h"
#include "platform/TempFileName.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <system_error>

namespace pellora {

namespace {

bool isRegularNotLink(const std::filesystem::directory_entry& entry)
{
    std::error_code error;
    return std::filesystem::is_regular_file(entry.symlink_status(error)) && !error;
}

bool clearTemporary(const std::filesystem::path& path)
{
    FileSystem& fs = FileSystem::current();
    // The lock is held until the unlink, so a writer cannot take the name over meanwhile.
    UniqueFd fd(fs.open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
    return fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && fs.unlink(path) == 0;
}

// Reservations only ever stand at the names of pictures.
bool mayBeReservation(const std::filesystem::directory_entry& entry)
{
    std::error_code error;
    return entry.path().extension() == ".jpg" && entry.file_size(error) == NameReservation::kMarker.size() && !error;
}

} // namespace

int TempFileSweeper::sweep(const std::filesystem::path& folder)
{
    std::error_code error;
    int removed = 0;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!isRegularNotLink(*it))
            continue;
        if (TempFileName::isOurs(it->path().filename().string()))
            removed += clearTemporary(it->path()) ? 1 : 0;
        else if (mayBeReservation(*it))
            removed += NameReservation::clearIfAbandoned(it->path()) ? 1 : 0;
    }
    return removed;
}

} // namespace pellora
