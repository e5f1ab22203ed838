#include "support/RivalSweep.h"

#include "platform/io/FileSystem.h"
#include "platform/io/TemporaryFiles.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace pellora::test {

RivalSweep::~RivalSweep()
{
    for (const int fd : held_)
        ::close(fd);
}

std::function<void()> RivalSweep::at(Moment moment, std::string name)
{
    if (moment == Moment::Whole)
        return [this] { temporaryFiles::sweep(systemFileSystem(), folder_); };
    return [this, name] {
        for (const auto& found : listNames(folder_))
            if (name.empty() ? temporaryFiles::isOurs(found) : found == name)
                holdAndRemove(found);
    };
}

std::function<void()> RivalSweep::onEveryOther(Moment moment)
{
    return [action = at(moment)] {
        thread_local bool sweepNow = false;
        sweepNow = !sweepNow;
        if (sweepNow)
            action();
    };
}

void RivalSweep::holdAndRemove(const std::string& name)
{
    const auto path = folder_ / name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd); // a live writer's: not for a sweeper
        return;
    }
    ::unlink(path.c_str());
    std::lock_guard lock(mutex_);
    held_.push_back(fd);
}

} // namespace pellora::test
