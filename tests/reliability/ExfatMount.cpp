#include "ExfatMount.h"

#include "support/CliProcess.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace pellora::test {

namespace {

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// Runs a shell command; its first line of output, or nothing when it failed.
bool run(const std::string& command, std::string* firstLine = nullptr)
{
    std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return false;
    char buffer[512] = {};
    const bool gotLine = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
    while (std::fgetc(pipe) != EOF) {
    }
    const int status = ::pclose(pipe);
    if (firstLine) {
        *firstLine = gotLine ? buffer : "";
        while (!firstLine->empty() && (firstLine->back() == '\n' || firstLine->back() == '\r'))
            firstLine->pop_back();
    }
    return status == 0;
}

} // namespace

ExfatMount::ExfatMount(const std::filesystem::path& workFolder, int megabytes)
    : image_(workFolder / "exfat.img"), mountPoint_(workFolder / "exfat")
{
    mounted_ = mount(megabytes);
}

ExfatMount::~ExfatMount()
{
    if (mounted_)
        run("umount " + quoted(mountPoint_) + " || fusermount -u " + quoted(mountPoint_));
    if (!loopDevice_.empty())
        run("losetup -d " + loopDevice_);
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
        if (!run(std::string("command -v ") + tool))
            return refuse(std::string(tool) + " is not installed (scripts/setup-deps)");
    std::filesystem::create_directories(mountPoint_);
    if (!run("truncate -s " + std::to_string(megabytes) + "M " + quoted(image_) + " && mkfs.exfat " + quoted(image_)))
        return refuse("mkfs.exfat failed");
    if (!run("losetup --find --show " + quoted(image_), &loopDevice_) || loopDevice_.empty())
        return refuse("no free loop device (losetup)");
    if (!run("mount.exfat-fuse " + loopDevice_ + " " + quoted(mountPoint_)))
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
