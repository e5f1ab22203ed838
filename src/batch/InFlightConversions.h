#pragma once

#include "batch/SourceFile.h"
#include "batch/WorkerPool.h"

#include <QString>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>

namespace pellora {

// Conversions handed to worker threads, taken back in the order they were
// started. `jobs` threads read, decode and encode; one more thread makes the
// finished files durable, so the syncs of one file overlap with the work on
// the next. At most jobs + 1 files are in flight, so memory stays bounded
// whatever the size of the batch.
class InFlightConversions {
public:
    struct Done {
        SourceFile file;
        QString newName;
        std::int16_t result = 0;
    };

    explicit InFlightConversions(unsigned jobs);
    ~InFlightConversions(); // waits for whatever is still running

    bool hasRoom() const { return pending_.size() < jobs_ + 1; }
    bool empty() const { return pending_.empty(); }

    void start(const SourceFile& file, const QString& newName, const std::filesystem::path& destination,
               int quality);
    // Waits for the oldest conversion, calling `whileWaiting` about every
    // 10 ms so the host stays responsive.
    Done takeOldest(const std::function<void()>& whileWaiting);

private:
    struct Pending {
        SourceFile file;
        QString newName;
        std::future<std::int16_t> result;
    };

    unsigned jobs_;
    std::deque<Pending> pending_;
    // Declared in this order so the committer outlives the workers that feed it.
    std::unique_ptr<WorkerPool> committer_;
    std::unique_ptr<WorkerPool> workers_;
};

} // namespace pellora
