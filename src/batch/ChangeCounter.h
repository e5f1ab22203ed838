#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace pellora {

// Counts events other threads note, so that one thread can sleep until the
// next one without missing any that came between its look and its sleep:
// it waits for the count to move past the one it last saw.
class ChangeCounter {
public:
    void note()
    {
        {
            std::lock_guard lock(mutex_);
            ++count_;
        }
        changed_.notify_all();
    }

    std::uint64_t count() const
    {
        std::lock_guard lock(mutex_);
        return count_;
    }

    // The count once it differs from `seen`, or after `most` at the latest.
    std::uint64_t waitPast(std::uint64_t seen, std::chrono::milliseconds most)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, most, [&] { return count_ != seen; });
        return count_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t count_ = 0;
};

} // namespace pellora
