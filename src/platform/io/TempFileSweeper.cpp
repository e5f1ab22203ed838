#include "platform/io/TempFileSweeper.h"

#include "platform/io/FileSystem.h"
#include "platform/io/NameReservation.h"
#include "platform/io/TempFileName.h"
#include "platform/io/UniqueFd.h"

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

// How many files it removed: the temporary file, and the name it was
// reserving when it is an abandoned intent file.
int clearTemporary(const std::filesystem::path& path)
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

int TempFileSweeper::sweep(const std::filesystem::path& folder)
{
    std::error_code error;
    int removed = 0;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (isRegularNotLink(*it) && TempFileName::isOurs(it->path().filename().string()))
            removed += clearTemporary(it->path());
    return removed;
}

} // namespace pellora
