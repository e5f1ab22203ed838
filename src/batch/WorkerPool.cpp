#include "batch/WorkerPool.h"

#include <algorithm>
#include <exception>
#include <new>

namespace pellora {

WorkerPool::WorkerPool(unsigned threads, const ThreadStarter& start)
{
    // Reserved first, so that keeping a started thread cannot fail: a thread
    // dropped while it runs would end the program.
    try {
        threads_.reserve(threads);
    } catch (const std::bad_alloc&) {
        return;
    }
    for (size_t i = 0; i < threads; ++i) {
        try {
            threads_.push_back(start([this, i] { work(i); }));
        } catch (const std::exception&) {
            // EAGAIN or no memory for one more: the process is at a limit.
            // Were every thread kept, a memory limit would leave no room
            // for their work, and every file would fail for want of it.
            const size_t cores = std::max(1u, std::thread::hardware_concurrency());
            retireFrom(std::min(threads_.size() - threads_.size() / 2, cores));
            return;
        }
    }
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wake_.notify_all();
    for (auto& thread : threads_)
        thread.join();
}

void WorkerPool::retireFrom(size_t keep)
{
    {
        std::lock_guard lock(mutex_);
        keep_ = keep;
    }
    wake_.notify_all();
    for (size_t i = keep; i < threads_.size(); ++i)
        threads_[i].join();
    threads_.resize(keep);
}

void WorkerPool::submit(std::function<void()> task)
{
    if (threads_.empty()) {
        run(task);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void WorkerPool::work(size_t index)
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return closing_ || !tasks_.empty() || index >= keep_; });
            if (tasks_.empty() || index >= keep_)
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        run(task);
    }
}

// A task that throws is dropped, not let out of its thread, which would end
// the program: a promise it held breaks, and whoever waits on it sees that.
void WorkerPool::run(const std::function<void()>& task)
{
    try {
        task();
    } catch (const std::exception&) {
    }
}

} // namespace pellora
