#include "batch/BufferPool.h"

namespace pellora {

UninitializedBytes BufferPool::take()
{
    std::lock_guard lock(mutex_);
    if (free_.empty())
        return {};
    UninitializedBytes buffer = std::move(free_.back());
    free_.pop_back();
    return buffer;
}

void BufferPool::give(UninitializedBytes buffer)
{
    buffer.clear(); // keeps the capacity
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(buffer));
}

} // namespace pellora
