#include "platform/io/SpareTemporaryFiles.h"

#include "platform/io/FileSystem.h"

namespace pellora {

SpareTemporaryFiles::SpareTemporaryFiles(const Folder& folder, unsigned permissions)
    : folder_(folder), permissions_(permissions)
{
}

SpareTemporaryFiles::~SpareTemporaryFiles()
{
    for (Made& made : waiting_)
        if (made)
            [[maybe_unused]] const Status removed = folder_.fileSystem().unlinkAt(folder_.handle(), made->path);
}

void SpareTemporaryFiles::makeOne(std::size_t most)
{
    {
        std::lock_guard lock(mutex_);
        if (waiting_.size() + beingMade_ >= most)
            return;
        ++beingMade_;
    }
    // Outside the lock: this is the call that may wait for the drive.
    Made made = temporaryFiles::createLocked(folder_.handle(), ".", permissions_);
    std::lock_guard lock(mutex_);
    --beingMade_;
    waiting_.push_back(std::move(made));
}

std::optional<SpareTemporaryFiles::Made> SpareTemporaryFiles::take()
{
    std::lock_guard lock(mutex_);
    if (waiting_.empty())
        return std::nullopt;
    Made made = std::move(waiting_.front());
    waiting_.pop_front();
    return made;
}

} // namespace pellora
