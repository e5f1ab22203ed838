#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pellora {

// A fixed set of threads that run submitted tasks in submission order. The
// threads live as long as the pool, so each file costs no thread of its own.
//
// The system may refuse a thread (a limit on the user's processes, or on the
// memory their stacks take): the pool then makes do with half the threads it
// got, so that the memory the others took is there for the work, and with
// none at all the submitting thread runs each task itself, at once.
class WorkerPool {
public:
    // Starts a thread running `body`; throws, as std::thread does, when the
    // system refuses one. Tests pass their own to play a refusing system.
    using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

    explicit WorkerPool(unsigned threads, const ThreadStarter& start = startThread);
    ~WorkerPool(); // finishes the queued tasks, then joins
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void submit(std::function<void()> task);
    // How many threads did start.
    unsigned threadCount() const { return static_cast<unsigned>(threads_.size()); }

    static std::thread startThread(std::function<void()> body) { return std::thread(std::move(body)); }

private:
    void work(size_t index);
    // Lets the threads from `keep` on go again, before any task is queued.
    void retireFrom(size_t keep);
    static void run(const std::function<void()>& task);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool closing_ = false;
    size_t keep_ = SIZE_MAX; // threads from this index on end
    std::vector<std::thread> threads_;
};

} // namespace pellora
