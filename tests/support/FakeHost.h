#pragma once

#include "batch/BatchHost.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace pellora::test {

// A batch host that records everything the run does to it, in order.
class FakeHost : public BatchHost {
public:
    QString inDir, outDir, prefix = QStringLiteral("sshot");
    int qualityValue = 90, logValue = 1, deleteValue = 0;
    bool answerYes = false;
    bool stop = false;
    // Called at each yield (after it is recorded), to change options mid-run.
    std::function<void(int yieldCount)> onYield;

    QStringList lines;   // the list as the window would show it
    QStringList details; // beside each line, what it would tell on request (mostly empty)
    QStringList events; // every call, in order
    int yields = 0;
    int qualityReads = 0, deleteReads = 0, logReads = 0;

    QString inputFolderText() override { return inDir; }
    QString outputFolderText() override { return outDir; }
    QString prefixText() override { return prefix; }
    int quality() override { ++qualityReads; return qualityValue; }
    int logOption() override { ++logReads; return logValue; }
    int deleteOption() override { ++deleteReads; return deleteValue; }

    void clearList() override
    {
        lines.clear();
        details.clear();
        events << QStringLiteral("clear");
    }
    void addListLine(const QString& line, const QString& detail) override
    {
        lines << line;
        details << detail;
        events << QStringLiteral("line:") + line;
    }
    void setProgressMaximum(double maximum) override { events << QStringLiteral("max:%1").arg(maximum); }
    void setProgressValue(double value) override { events << QStringLiteral("value:%1").arg(value); }
    void setBusy(bool busy) override { events << (busy ? QStringLiteral("busy") : QStringLiteral("idle")); }
    void showCritical(const QString& text) override { events << QStringLiteral("critical:") + text; }
    bool askYesNo(const QString& text) override
    {
        events << QStringLiteral("ask:") + text;
        return answerYes;
    }
    void focusInputFolder() override { events << QStringLiteral("focus:in"); }
    void focusOutputFolder() override { events << QStringLiteral("focus:out"); }
    void focusPrefix() override { events << QStringLiteral("focus:prefix"); }
    void yield() override
    {
        ++yields;
        events << QStringLiteral("yield");
        if (onYield)
            onYield(yields);
    }
    bool stopRequested() override { return stop; }
};

} // namespace pellora::test
