#pragma once

#include <string_view>

namespace pellora {

// Where a run reports, in list order whatever the number of jobs.
class RunReport {
public:
    virtual ~RunReport() = default;

    // `line` is what the list and the log show, byte for byte. `detail`, empty
    // for most lines, tells the user what the line cannot: which file it was
    // about and why it failed. It goes to neither the list's text nor the log.
    virtual void addListLine(std::string_view line, std::string_view detail) = 0;
    // Files done out of `maximum`; 0 once the run is over.
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;

    // For a front end that keeps the list of one run only, or shows that it
    // is busy: the start of a run, and the run's end.
    virtual void clearList() {}
    virtual void setBusy(bool) {}
};

} // namespace pellora
