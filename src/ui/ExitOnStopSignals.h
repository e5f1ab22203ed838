#pragma once

#include <QObject>

class QSocketNotifier;

namespace pellora {

class StopSignals;
class MainWindow;

// Ends the window as its Exit button does when the program is asked to stop
// by a signal: SIGTERM at logout or shutdown, SIGHUP when the terminal it was
// started from goes, Ctrl+C there. A run in progress finishes the files in
// hand and logs its end line, the settings are saved, the program ends.
class ExitOnStopSignals : public QObject {
    Q_OBJECT

public:
    ExitOnStopSignals(const StopSignals& stopSignals, MainWindow& window);

private:
    void onWake();

    const StopSignals& stopSignals_;
    MainWindow& window_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace pellora
