#include "SlowDriveMount.h"

#include "support/CliProcess.h"
#include "ShellCommand.h"

namespace pellora::test {

SlowDriveMount::SlowDriveMount(const std::filesystem::path& workFolder, int delayMs)
    : backing_(workFolder / "backing"), mountPoint_(workFolder / "slow")
{
    mounted_ = mount(delayMs);
}

SlowDriveMount::~SlowDriveMount()
{
    if (mounted_)
        runShellCommand("umount " + shellQuoted(mountPoint_) + " || fusermount3 -u -z " + shellQuoted(mountPoint_));
}

bool SlowDriveMount::mount(int delayMs)
{
    auto refuse = [this](std::string reason) {
        whyNot_ = std::move(reason);
        return false;
    };
    const auto cli = CliProcess::program();
    const auto program = cli ? cli->parent_path() / "pellora_slow_drive" : std::filesystem::path();
    if (!cli || !std::filesystem::exists(program))
        return refuse("pellora_slow_drive was not built (needs libfuse3-dev: scripts/setup-deps)");
    if (!std::filesystem::exists("/dev/fuse"))
        return refuse("no /dev/fuse here");
    std::filesystem::create_directories(backing_);
    std::filesystem::create_directories(mountPoint_);
    if (!runShellCommand(shellQuoted(program) + " --delay-ms " + std::to_string(delayMs) + " " +
                         shellQuoted(backing_) + " " + shellQuoted(mountPoint_)))
        return refuse("pellora_slow_drive could not mount (no FUSE here?)");
    return true;
}

void OnSlowDrive::SetUp()
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    mount_ = std::make_unique<SlowDriveMount>(work_.path(), kSyncMs);
    if (!mount_->mounted())
        GTEST_SKIP() << "no slow drive: " << mount_->whyNot();
}

} // namespace pellora::test
