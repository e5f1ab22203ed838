#pragma once

#include "platform/UninitializedBytes.h"

#include <mutex>
#include <vector>

namespace pellora {

// Read buffers handed from one file to the next. A fresh 8 or 33 MB buffer
// costs its page faults on every file; a recycled one has its pages already.
// Holds no more buffers than were ever in use at once.
class BufferPool {
public:
    UninitializedBytes take();
    void give(UninitializedBytes buffer);

private:
    std::mutex mutex_;
    std::vector<UninitializedBytes> free_;
};

} // namespace pellora
