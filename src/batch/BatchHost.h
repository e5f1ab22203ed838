#pragma once

#include <QString>

namespace pellora {

// Everything a batch run needs from whoever started it: the window, the
// command line, or a test. The run reads each value at the moment it needs
// it, so a change the user makes during a run takes effect at the next read.
class BatchHost {
public:
    virtual ~BatchHost() = default;

    // Read once, at the start of a run.
    virtual QString inputFolderText() = 0;
    virtual QString outputFolderText() = 0;
    virtual QString prefixText() = 0;

    // Read before each file is converted.
    virtual int quality() = 0;
    // Read before each log write and after each file; on only when exactly 1.
    virtual int logOption() = 0;
    virtual int deleteOption() = 0;

    virtual void clearList() = 0;
    // `line` is what the list and the log show, byte for byte. `detail`, empty
    // for most lines, tells the user what the line cannot: which file it was
    // about and why it failed. It goes to neither the list's text nor the log.
    virtual void addListLine(const QString& line, const QString& detail) = 0;
    virtual void setProgressMaximum(double maximum) = 0;
    virtual void setProgressValue(double value) = 0;
    virtual void setBusy(bool busy) = 0;

    // Modal boxes captioned with the application title.
    virtual void showCritical(const QString& text) = 0;
    // True when the user answers Yes.
    virtual bool askYesNo(const QString& text) = 0;

    virtual void focusInputFolder() = 0;
    virtual void focusOutputFolder() = 0;
    virtual void focusPrefix() = 0;

    // Lets the host handle its pending events; called once per file.
    virtual void yield() = 0;
    // True once the host wants the run to end (its window is closing). The
    // run checks it after each yield and then ends through its end line.
    virtual bool stopRequested() = 0;
};

} // namespace pellora
