#include "platform/TempFileSweeper.h"

#include "platform/FileSystem.h"
#include "platform/TempFileName.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <system_error>

namespace pellora {

int TempFileSweeper::sweep(const std::filesystem::path& folder)
{
    FileSystem& fs = FileSystem::current();
    std::error_code error;
    int removed = 0;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!TempFileName::isOurs(it->path().filename().string()))
            continue;
        std::error_code statusError;
        if (!it->is_regular_file(statusError) || it->is_symlink(statusError))
            continue;
        // The lock is held until the unlink, so a writer cannot take the name over meanwhile.
        UniqueFd fd(fs.open(it->path(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
        if (fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && fs.unlink(it->path()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace pellora
