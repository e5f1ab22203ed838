#pragma once

#include "platform/io/FileHandle.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace pellora::test {

// Another run (or a settings save) sweeping the same folder, played from a
// FakeFileSystem hook right after one of our files is created and before it
// is locked: the moment a sweep must not take it from us.
class RivalSweep {
public:
    // Either the sweep runs whole in that moment, or it is caught having
    // locked and removed the new file and not yet let go.
    enum class Moment { Whole, Holding };

    explicit RivalSweep(std::filesystem::path folder) : folder_(std::move(folder)) {}
    ~RivalSweep(); // a holding sweeper lets go
    RivalSweep(const RivalSweep&) = delete;
    RivalSweep& operator=(const RivalSweep&) = delete;

    // What the hook runs. Holding takes `name` (by default, every temporary
    // file of ours) as a sweeper clearing an abandoned file would.
    std::function<void()> at(Moment moment, std::string name = {});
    // The same on every other call of each thread, for a hook run after every
    // create: a file created anew after one was taken is left alone.
    std::function<void()> onEveryOther(Moment moment);

    static const char* nameOf(Moment moment) { return moment == Moment::Whole ? "whole sweep" : "holding sweeper"; }

    // A holding sweeper lets go of what it took: only then is a file it
    // removed gone from its folder's listing on Windows.
    void letGo();

private:
    void holdAndRemove(const std::string& name);

    std::filesystem::path folder_;
    std::mutex mutex_;
    std::vector<FileHandle> held_;
};

} // namespace pellora::test
