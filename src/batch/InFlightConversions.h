#pragma once

#include "batch/BufferPool.h"
#include "batch/SourceFile.h"
#include "batch/WorkerPool.h"
#include "platform/FileReader.h"

#include <QString>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>

namespace pellora {

// Conversions handed to threads, taken back in the order they were started.
// Each file passes three stages: a reader thread reads it, one of `jobs`
// workers decodes and encodes it into a temporary file, and a committer
// thread makes that file durable under its name. So reading ahead and the
// syncs of one file overlap with the encoding of another, even with one
// worker. At most jobs + 1 files are in flight, so memory stays bounded
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
    using Result = std::shared_ptr<std::promise<std::int16_t>>;

    void read(const std::filesystem::path& source, const std::filesystem::path& destination, int quality,
              const Result& result);
    void stage(const std::shared_ptr<FileReader::Contents>& file, const std::filesystem::path& destination,
               int quality, const Result& result);

    unsigned jobs_;
    std::deque<Pending> pending_;
    BufferPool buffers_;
    // Declared so that each stage outlives the one that feeds it.
    std::unique_ptr<WorkerPool> committer_;
    std::unique_ptr<WorkerPool> workers_;
    std::unique_ptr<WorkerPool> reader_;
};

} // namespace pellora
