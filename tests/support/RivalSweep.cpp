#include "support/RivalSweep.h"

#include "platform/io/FileSystem.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/text/PathText.h"
#include "support/TempDir.h"

namespace pellora::test {

RivalSweep::~RivalSweep() = default; // closing what it holds lets go

void RivalSweep::letGo()
{
    std::lock_guard lock(mutex_);
    held_.clear();
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

// As another process's sweeper would, through the system's own calls.
void RivalSweep::holdAndRemove(const std::string& name)
{
    FileSystem& fs = systemFileSystem();
    const auto path = folder_ / pathText::toPath(name);
    auto file = fs.open(path, Open::Read | Open::NoFollow | Open::NonBlocking);
    if (!file || !fs.tryLock(*file))
        return; // gone, or a live writer's: not for a sweeper
    (void)fs.unlinkAt(fs.workingFolder(), path);
    std::lock_guard lock(mutex_);
    held_.push_back(std::move(*file));
}

} // namespace pellora::test
