#pragma once

#include "batch/WorkerPool.h"
#include "ui/GuiThreadCall.h"
#include "ui/Prompts.h"
#include "ui/WindowBatchHost.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <thread>

class QWidget;

namespace pellora {

struct LiveRunOptions;

// Runs the window's batches, one at a time, on a thread of its own, so that
// the window stays the user's while a run goes on and a dialog the user opens
// holds nothing up. Whatever the run shows comes back as signals, queued in
// the order the run sent them; its boxes are shown on the window's thread
// while the run waits for the answer.
class RunController : public QObject {
    Q_OBJECT

public:
    // The box a run sends the keyboard focus to.
    enum class Box { InputFolder, OutputFolder, Prefix };
    Q_ENUM(Box)

    // `owner` owns the boxes; `prompts` and `options` are read as they are
    // when the run needs them. `startThread` as for WorkerPool: when the
    // system refuses a thread, the run goes on the calling thread instead.
    RunController(QWidget& owner, const Prompts& prompts, const LiveRunOptions& options,
                  WorkerPool::ThreadStarter startThread = WorkerPool::startThread);
    // Asks a run still going to stop and waits until it has: only the files
    // in hand finish, and a box it would show is answered No at once.
    ~RunController() override;

    // Starts a run unless one is going; `jobs` conversions at once.
    void start(WindowBatchHost::Start start, unsigned jobs);
    // From start until finished has been sent.
    bool running() const { return running_; }
    // The run stops before its next file and ends through its end line.
    void requestStop() { stopRequested_ = true; }

    // For the run's thread.
    bool stopRequested() const { return stopRequested_; }
    // Returns once the window has taken in everything sent before, and
    // whatever the user did until then.
    void waitForWindow();
    void showCritical(const QString& text);
    bool askYesNo(const QString& text);

Q_SIGNALS:
    void listCleared();
    void lineAdded(const QString& line, const QString& detail);
    void progressMaximumChanged(int maximum);
    void progressChanged(int value);
    void busyChanged(bool busy);
    void focusRequested(pellora::RunController::Box box);
    // The run has ended and left nothing behind; sent after all the rest.
    void finished();

private:
    void run(WindowBatchHost::Start start, unsigned jobs);
    void endRun();

    QWidget& owner_;
    const Prompts& prompts_;
    const LiveRunOptions& options_;
    WorkerPool::ThreadStarter startThread_;
    GuiThreadCall gui_;
    std::atomic<bool> stopRequested_{false};
    bool running_ = false;
    std::thread thread_;
};

} // namespace pellora
