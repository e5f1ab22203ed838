// Any settings file, and one value written into it in memory and through the
// file. The file lives in a scratch folder in memory when the system has one,
// since every write of the settings file syncs it.
#include "checks/ProfileRewriteCheck.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::filesystem::path scratchFolder()
{
    const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::filesystem::path folder = base / ("pellora-profile-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

void removeScratchFolder();

// Never destroyed, so it is still there when the exit handler removes it.
const std::filesystem::path& folder()
{
    static const std::filesystem::path* path = [] {
        auto* made = new std::filesystem::path(scratchFolder());
        std::atexit(removeScratchFolder);
        return made;
    }();
    return *path;
}

void removeScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder(), ignored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (auto problem = pellora::fuzz::ProfileRewriteCheck::run({data, size}, folder())) {
        std::fprintf(stderr, "profile_fuzz: %s\n", problem->c_str());
        std::abort();
    }
    return 0;
}
