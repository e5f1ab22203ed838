#include "settings/SettingsLocation.h"

#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace pellora {

namespace {

// Folders the package manager fills are never a program's own, although root
// may write there: root running the installed window must not leave a
// settings file among the system's programs.
bool isSystemProgramFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(folder, error);
    if (error || real.begin() == real.end())
        return false;
    auto part = std::next(real.begin()); // after the root
    return part != real.end() && (*part == "usr" || *part == "bin" || *part == "sbin");
}

std::filesystem::path accountHomeFolder()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry {};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr
        || found->pw_dir == nullptr)
        return {};
    return found->pw_dir;
}

} // namespace

SettingsLocation::Probe SettingsLocation::systemProbe()
{
    Probe probe;
    probe.entryExists = [](const std::filesystem::path& path) {
        std::error_code error;
        return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found
               && !error;
    };
    probe.folderWritable = [](const std::filesystem::path& folder) {
        // The effective user's rights, and a read-only mount says no even to root.
        return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0 && !isSystemProgramFolder(folder);
    };
    probe.environment = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    };
    probe.accountHome = accountHomeFolder;
    return probe;
}

} // namespace pellora
