#pragma once

namespace pellora {

// How a front end steers a run in progress.
class RunControl {
public:
    virtual ~RunControl() = default;

    // True once the front end wants the run to end (its window is closing, a
    // signal came). The run checks it as it hands out each file and then ends
    // through its end line.
    virtual bool stopRequested() = 0;
    // Called once per file, and while the run waits for a conversion, for a
    // front end that runs on the same thread as its events.
    virtual void yield() {}
};

} // namespace pellora
