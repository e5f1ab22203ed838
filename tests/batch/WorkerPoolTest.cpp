#include "batch/WorkerPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <numeric>
#include <set>
#include <system_error>
#include <vector>

namespace pellora {
namespace {

// Starts threads as the system does until `allowed` run, then refuses as
// std::thread does under a process or memory limit.
WorkerPool::ThreadStarter refusingAfter(unsigned allowed)
{
    auto started = std::make_shared<unsigned>(0);
    return [started, allowed](std::function<void()> body) {
        if (*started == allowed)
            throw std::system_error(EAGAIN, std::generic_category(), "pthread_create");
        ++*started;
        return std::thread(std::move(body));
    };
}

// Threads the system refuses never end the program, and never lose a task:
// the pool makes do with fewer, down to none, when the submitting thread
// runs each task itself, in order.
TEST(WorkerPoolTest, ThreadsTheSystemRefusesOnlyMeanFewerThreads)
{
    struct Row {
        unsigned requested, allowed;
    };
    const Row rows[] = {{4, 4}, {4, 8}, {4, 3}, {8, 1}, {4, 0}, {1, 0}, {256, 29}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.requested) + " threads asked for, " + std::to_string(row.allowed) +
                     " allowed");
        constexpr int kTasks = 100;
        std::mutex mutex;
        std::vector<int> done;
        std::set<std::thread::id> threads;
        unsigned threadCount = 0;
        {
            WorkerPool pool(row.requested, refusingAfter(row.allowed));
            threadCount = pool.threadCount();
            for (int i = 0; i < kTasks; ++i)
                pool.submit([&, i] {
                    std::lock_guard lock(mutex);
                    done.push_back(i);
                    threads.insert(std::this_thread::get_id());
                });
        }
        std::sort(done.begin(), done.end());
        std::vector<int> expected(kTasks);
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(done, expected) << "every task ran exactly once";
        if (row.allowed >= row.requested) {
            EXPECT_EQ(threadCount, row.requested);
        } else if (row.allowed == 0) {
            EXPECT_EQ(threadCount, 0u);
            EXPECT_EQ(threads, std::set<std::thread::id>{std::this_thread::get_id()});
        } else {
            // Some of the threads started are let go again, so that the
            // memory they took is there for the work.
            EXPECT_GE(threadCount, 1u);
            EXPECT_LE(threadCount, std::max(1u, row.allowed / 2 + row.allowed % 2));
            EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
        }
    }
}

// A task that throws ends neither its thread nor the program; the tasks
// after it still run.
TEST(WorkerPoolTest, ATaskThatThrowsIsDroppedAlone)
{
    for (const unsigned threads : {0u, 1u, 3u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        std::atomic<int> ran{0};
        {
            WorkerPool pool(threads, refusingAfter(threads));
            for (int i = 0; i < 20; ++i)
                pool.submit([&ran, i] {
                    if (i % 3 == 0)
                        throw std::bad_alloc();
                    ++ran;
                });
        }
        EXPECT_EQ(ran.load(), 13);
    }
}

} // namespace
} // namespace pellora
