#pragma once

#include <atomic>

namespace pellora {

// The options a run reads again for each file, as a window shows them now.
// The window's thread writes them as the user changes them; the run's thread
// reads them whenever the run reads an option (see PerFileOptions). Both
// windows, Qt's and the Win32 one, share it.
struct LiveRunOptions {
    std::atomic<int> quality{50};
    std::atomic<bool> deleteSources{false};
    std::atomic<bool> log{true};
};

} // namespace pellora
