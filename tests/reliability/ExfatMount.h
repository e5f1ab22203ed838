#pragma once

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <string>

namespace pellora::test {

// A small exFAT file system mounted through FUSE from an image on a loop
// device, as a USB drive is on many desktops: no rename that refuses to
// replace (EINVAL), no hard links (EPERM). Needs root, exfatprogs and
// exfat-fuse; where any is missing, mounted() is false and whyNot() says why.
class ExfatMount {
public:
    explicit ExfatMount(const std::filesystem::path& workFolder, int megabytes = 128);
    ~ExfatMount(); // unmounts and frees the loop device
    ExfatMount(const ExfatMount&) = delete;
    ExfatMount& operator=(const ExfatMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& whyNot() const { return whyNot_; }
    const std::filesystem::path& path() const { return mountPoint_; }

private:
    bool mount(int megabytes);

    std::filesystem::path image_, mountPoint_;
    std::string loopDevice_;
    bool mounted_ = false;
    std::string whyNot_;
};

// For runs of pellora-cli into a real exFAT mount; skipped, with the reason,
// where there is no program or no mount.
class OnExfat : public ::testing::Test {
protected:
    void SetUp() override;
    const std::filesystem::path& mountPoint() const { return mount_->path(); }

private:
    TempDir work_;
    std::unique_ptr<ExfatMount> mount_;
};

} // namespace pellora::test
