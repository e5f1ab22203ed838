#include "ui/ExitOnStopSignals.h"

#include "platform/io/StopSignals.h"
#include "ui/MainWindow.h"

#include <QSocketNotifier>

namespace pellora {

// The signal handler only wakes the pipe; the window is closed from the
// event loop, which a run on its own thread leaves free.
ExitOnStopSignals::ExitOnStopSignals(const StopSignals& stopSignals, MainWindow& window)
    : stopSignals_(stopSignals), window_(window)
{
    if (stopSignals_.wakeDescriptor() < 0)
        return;
    notifier_ = new QSocketNotifier(stopSignals_.wakeDescriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ExitOnStopSignals::onWake);
}

void ExitOnStopSignals::onWake()
{
    stopSignals_.drainWake();
    window_.exitProgram();
}

} // namespace pellora
