#include "ExfatMount.h"

#include "ShellCommand.h"
#include "support/CliProcess.h"

#include <unistd.h>

namespace pellora::test {

ExfatMount::ExfatMount(const std::filesystem::path& workFolder, int megabytes)
    : image_(workFolder / "exfat.img"), mountPoint_(workFolder / "exfat")
{
    mounted_ = mount(megabytes);
}

ExfatMount::~ExfatMount()
{
    if (mounted_)
        runShellCommand("umount " + shellQuoted(mountPoint_) + " || fusermount -u " + shellQuoted(mountPoint_));
    if (!loopDevice_.empty())
        runShellCommand("losetup -d " + loopDevice_);
}

bool ExfatMount::mount(int megabytes)
{
    auto refuse = [this](std::string reason) {
        whyNot_ = std::move(reason);
        return false;
    };
    if (::geteuid() != 0)
        return refuse("not root: loop devices need it");
    for (const char* tool : {"mkfs.exfat", "mount.exfat-fuse", "losetup"})
        if (!runShellCommand(std::string("command -v ") + tool))
            return refuse(std::string(tool) + " is not installed (scripts/setup-deps)");
    std::filesystem::create_directories(mountPoint_);
    if (!runShellCommand("truncate -s " + std::to_string(megabytes) + "M " + shellQuoted(image_) +
                         " && mkfs.exfat " + shellQuoted(image_)))
        return refuse("mkfs.exfat failed");
    if (!runShellCommand("losetup --find --show " + shellQuoted(image_), &loopDevice_) || loopDevice_.empty())
        return refuse("no free loop device (losetup)");
    if (!runShellCommand("mount.exfat-fuse " + loopDevice_ + " " + shellQuoted(mountPoint_)))
        return refuse("mount.exfat-fuse failed (no FUSE here?)");
    return true;
}

void OnExfat::SetUp()
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    mount_ = std::make_unique<ExfatMount>(work_.path());
    if (!mount_->mounted())
        GTEST_SKIP() << "no exFAT mount: " << mount_->whyNot();
}

} // namespace pellora::test
