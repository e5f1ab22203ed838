#include "ui/RunController.h"

#include "batch/BatchRun.h"
#include "platform/io/FileSystem.h"
#include "batch/LiveRunOptions.h"

#include <exception>

namespace pellora {

RunController::RunController(QWidget& owner, const Prompts& prompts, const LiveRunOptions& options,
                             WorkerPool::ThreadStarter startThread)
    : owner_(owner), prompts_(prompts), options_(options), startThread_(std::move(startThread)), gui_(*this)
{
}

RunController::~RunController()
{
    if (!thread_.joinable())
        return;
    requestStop();
    gui_.close();
    thread_.join();
}

void RunController::start(WindowBatchHost::Start start, unsigned jobs)
{
    if (running_)
        return;
    running_ = true;
    stopRequested_ = false;
    try {
        thread_ = startThread_([this, start, jobs] { run(start, jobs); });
    } catch (const std::exception&) {
        // No thread to be had: the run goes here, the window unanswering
        // until it ends, as it did before runs had threads.
        run(std::move(start), jobs);
    }
}

void RunController::run(WindowBatchHost::Start start, unsigned jobs)
{
    // Nothing may leave the thread, or the program ends; the window must
    // hear that the run is over whatever happened.
    try {
        WindowBatchHost host(std::move(start), options_, *this);
        BatchRun(host.request(jobs), host.frontEnd(), FileSystem::forFrontEnds()).run();
    } catch (...) {
    }
    QMetaObject::invokeMethod(this, &RunController::endRun, Qt::QueuedConnection);
}

void RunController::endRun()
{
    if (thread_.joinable())
        thread_.join();
    running_ = false;
    Q_EMIT finished();
}

void RunController::waitForWindow()
{
    gui_.call([] { return true; }, true);
}

void RunController::showCritical(const QString& text)
{
    gui_.call(
        [this, text] {
            prompts_.critical(&owner_, text);
            return true;
        },
        true);
}

bool RunController::askYesNo(const QString& text)
{
    return gui_.call([this, text] { return prompts_.askYesNo(&owner_, text); }, false);
}

} // namespace pellora
