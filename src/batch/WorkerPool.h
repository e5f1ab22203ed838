#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pellora {

// A fixed set of threads that run submitted tasks in submission order. The
// threads live as long as the pool, so per-thread state (an encoder and its
// buffer) is reused from one file to the next.
class WorkerPool {
public:
    explicit WorkerPool(unsigned threads);
    ~WorkerPool(); // finishes the queued tasks, then joins
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void submit(std::function<void()> task);

private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

} // namespace pellora
