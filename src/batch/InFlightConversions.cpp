#include "batch/InFlightConversions.h"

#include "batch/ConvertTgaToJpeg.h"

#include <chrono>
#include <exception>

namespace pellora {

namespace {

// Every path through the stages sets the result exactly once, even when a
// stage throws: a result never set would leave the run waiting forever.
template <typename Stage>
void guarded(const std::shared_ptr<std::promise<std::int16_t>>& result, Stage stage)
{
    try {
        stage();
    } catch (const std::exception&) {
        result->set_value(ResultCode::UnexpectedFailure);
    }
}

} // namespace

InFlightConversions::InFlightConversions(unsigned jobs)
    : jobs_(jobs == 0 ? 1 : jobs), committer_(std::make_unique<WorkerPool>(1)),
      workers_(std::make_unique<WorkerPool>(jobs_)), reader_(std::make_unique<WorkerPool>(1))
{
}

InFlightConversions::~InFlightConversions()
{
    for (auto& pending : pending_)
        pending.result.wait();
}

void InFlightConversions::start(const SourceFile& file, const QString& newName,
                                const std::filesystem::path& destination, int quality)
{
    auto result = std::make_shared<std::promise<std::int16_t>>();
    pending_.push_back(Pending{file, newName, result->get_future()});
    // With one worker, a reader thread lets the next file's read overlap the
    // encoding of this one. With more, the cores are busy encoding already
    // and one reader would only queue the reads: each worker reads its own.
    WorkerPool& first = jobs_ == 1 ? *reader_ : *workers_;
    first.submit([this, result, source = file.Path, destination, quality] {
        guarded(result, [&] { read(source, destination, quality, result); });
    });
}

void InFlightConversions::read(const std::filesystem::path& source, const std::filesystem::path& destination,
                               int quality, const Result& result)
{
    auto file = FileReader::readAll(source, FileReader::kMaxFileSize, false, buffers_.take());
    if (!file) {
        result->set_value(ResultCode::DecodeFailed);
        return;
    }
    auto contents = std::make_shared<FileReader::Contents>(std::move(*file));
    if (jobs_ != 1) {
        stage(contents, destination, quality, result);
        return;
    }
    workers_->submit([this, contents, destination, quality, result] {
        guarded(result, [&] { stage(contents, destination, quality, result); });
    });
}

void InFlightConversions::stage(const std::shared_ptr<FileReader::Contents>& file,
                                const std::filesystem::path& destination, int quality, const Result& result)
{
    auto staged = StageTgaAsJpeg(*file, destination, quality);
    buffers_.give(std::move(file->bytes));
    if (!staged) {
        result->set_value(staged.error());
        return;
    }
    auto committing = std::make_shared<StagedFile>(std::move(*staged));
    committer_->submit([result, committing] { result->set_value(CommitStagedJpeg(*committing)); });
}

InFlightConversions::Done InFlightConversions::takeOldest(const std::function<void()>& whileWaiting)
{
    Pending& oldest = pending_.front();
    while (oldest.result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        whileWaiting();
    Done done{std::move(oldest.file), std::move(oldest.newName), oldest.result.get()};
    pending_.pop_front();
    return done;
}

} // namespace pellora
