#include "win32/WindowRunController.h"

#include "batch/BatchRun.h"
#include "platform/io/FileSystem.h"
#include "win32/RunView.h"

#include <exception>

namespace pellora::win32 {

WindowRunController::WindowRunController(HWND window, UINT wakeMessage, RunView& view, const LiveRunOptions& options,
                                         WorkerPool::ThreadStarter startThread)
    : view_(view), options_(options), startThread_(std::move(startThread)), calls_(window, wakeMessage)
{
}

WindowRunController::~WindowRunController()
{
    requestStop();
    calls_.close();
    if (thread_.joinable())
        thread_.join();
}

void WindowRunController::start(WindowBatchHost::Start start, unsigned jobs)
{
    if (running_)
        return;
    running_ = true;
    stopRequested_ = false;
    try {
        thread_ = startThread_([this, start, jobs] { run(start, jobs); });
    } catch (const std::exception&) {
        // No thread to be had: the run goes here, the window unanswering
        // until it ends.
        run(start, jobs);
    }
}

void WindowRunController::run(const WindowBatchHost::Start& start, unsigned jobs)
{
    // Nothing may leave the thread, or the program ends; the window must
    // hear that the run is over whatever happened.
    try {
        WindowBatchHost host(start, options_, *this);
        BatchRun(host.request(jobs), host.frontEnd(), FileSystem::forFrontEnds()).run();
    } catch (...) {
    }
    calls_.post([this] { endRun(); });
}

void WindowRunController::endRun()
{
    if (thread_.joinable())
        thread_.join();
    running_ = false;
    view_.runFinished();
}

void WindowRunController::show(std::function<void(RunView&)> change)
{
    calls_.post([this, change = std::move(change)] { change(view_); });
}

bool WindowRunController::ask(std::function<bool(RunView&)> question, bool otherwise)
{
    return calls_.call([this, question = std::move(question)] { return question(view_); }, otherwise);
}

void WindowRunController::waitForWindow()
{
    calls_.call([] { return true; }, true);
}

} // namespace pellora::win32
