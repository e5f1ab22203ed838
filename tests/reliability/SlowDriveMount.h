#pragma once

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <string>

namespace pellora::test {

// A folder on a drive that takes `delayMs` for every sync of a file or a
// folder, as a USB stick or a network share may: pellora_slow_drive (built
// beside pellora-cli where libfuse 3 is installed) passing a local folder
// through FUSE. Where it cannot be mounted, mounted() is false and whyNot()
// says why.
class SlowDriveMount {
public:
    SlowDriveMount(const std::filesystem::path& workFolder, int delayMs);
    ~SlowDriveMount(); // unmounts
    SlowDriveMount(const SlowDriveMount&) = delete;
    SlowDriveMount& operator=(const SlowDriveMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& whyNot() const { return whyNot_; }
    const std::filesystem::path& path() const { return mountPoint_; }

private:
    bool mount(int delayMs);

    std::filesystem::path backing_, mountPoint_;
    bool mounted_ = false;
    std::string whyNot_;
};

// For runs of pellora-cli into a drive whose every sync takes 20 ms; skipped,
// with the reason, where there is no program or no mount.
class OnSlowDrive : public ::testing::Test {
protected:
    static constexpr int kSyncMs = 20;

    void SetUp() override;
    const std::filesystem::path& mountPoint() const { return mount_->path(); }

private:
    TempDir work_;
    std::unique_ptr<SlowDriveMount> mount_;
};

} // namespace pellora::test
