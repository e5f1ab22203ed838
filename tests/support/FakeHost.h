#pragma once

#include "batch/PerFileOptions.h"
#include "batch/RunControl.h"
#include "batch/RunFrontEnd.h"
#include "batch/RunReport.h"
#include "batch/RunRequest.h"
#include "batch/UserQuestions.h"
#include "support/TextLines.h"

#include <functional>
#include <string>

namespace pellora::test {

// A front end that records everything the run does to it, in order.
class FakeHost : public PerFileOptions, public RunReport, public UserQuestions, public RunControl {
public:
    std::string inDir, outDir, prefix = "sshot";
    int qualityValue = 90;
    bool logValue = true, deleteValue = false;
    bool answerYes = false;
    bool stop = false;
    // Called at each yield (after it is recorded), to change options mid-run.
    std::function<void(int yieldCount)> onYield;

    Lines lines;   // the list as the window would show it
    Lines details; // beside each line, what it would tell on request (mostly empty)
    Lines events;  // every call, in order
    int yields = 0;
    int qualityReads = 0, deleteReads = 0, logReads = 0;

    RunRequest request(unsigned jobs = 1) const { return {inDir, outDir, prefix, jobs}; }
    RunFrontEnd frontEnd() { return {*this, *this, *this, *this}; }

    int quality() override { ++qualityReads; return qualityValue; }
    bool logEnabled() override { ++logReads; return logValue; }
    bool deleteSources() override { ++deleteReads; return deleteValue; }

    void clearList() override
    {
        lines.clear();
        details.clear();
        events.push_back("clear");
    }
    void addListLine(std::string_view line, std::string_view detail) override
    {
        lines.emplace_back(line);
        details.emplace_back(detail);
        events.push_back("line:" + std::string(line));
    }
    void setProgressMaximum(int maximum) override { events.push_back("max:" + std::to_string(maximum)); }
    void setProgressValue(int value) override { events.push_back("value:" + std::to_string(value)); }
    void setBusy(bool busy) override { events.push_back(busy ? "busy" : "idle"); }
    void showCritical(std::string_view text) override { events.push_back("critical:" + std::string(text)); }
    bool askYesNo(std::string_view text) override
    {
        events.push_back("ask:" + std::string(text));
        return answerYes;
    }
    void focus(Field field) override
    {
        events.push_back(field == Field::InputFolder ? "focus:in" : field == Field::OutputFolder ? "focus:out" : "focus:prefix");
    }
    void yield() override
    {
        ++yields;
        events.push_back("yield");
        if (onYield)
            onYield(yields);
    }
    bool stopRequested() override { return stop; }
};

} // namespace pellora::test
