#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/Folder.h"
#include "platform/io/TemporaryFiles.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace pellora {

// Temporary files of ours made ahead in one folder, for writers to take
// instead of making their own. On a drive mounted through FUSE (ntfs-3g,
// exfat-fuse), making a file in a folder waits for as long as that folder is
// being synced, which on a slow drive is most of a run; made ahead by a
// thread that may wait, they keep the writers from waiting with it. A spare
// is ours as any temporary file is: locked while we hold it, swept when a
// killed run leaves it. Thread-safe.
class SpareTemporaryFiles {
public:
    using Made = Expected<temporaryFiles::Created, Failure>;

    // Spares in `folder`, which must outlive this object.
    explicit SpareTemporaryFiles(const Folder& folder, unsigned permissions = 0644);
    ~SpareTemporaryFiles(); // removes the spares nobody took
    SpareTemporaryFiles(const SpareTemporaryFiles&) = delete;
    SpareTemporaryFiles& operator=(const SpareTemporaryFiles&) = delete;

    // Makes one more, unless `most` are waiting or being made. A failure is
    // kept for the next taker, whose own attempt it stood in for.
    void makeOne(std::size_t most);
    // The oldest one made, or the failure met making it; nothing when none waits.
    std::optional<Made> take();

private:
    const Folder& folder_;
    unsigned permissions_;
    std::mutex mutex_;
    std::deque<Made> waiting_;
    std::size_t beingMade_ = 0;
};

} // namespace pellora
