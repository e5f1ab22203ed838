#include "settings/SettingsLocation.h"

#include "platform/io/FileSystem.h"
#include "platform/text/PathText.h"
#include "settings/Settings.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace pellora {

namespace {

constexpr const char* kConfigFolderName = "pellora";

std::filesystem::path settingsFileName()
{
    return std::string(Settings::kApplicationTitle) + ".ini";
}

// An environment value the XDG rules accept: set, not empty, absolute.
std::optional<std::filesystem::path> absoluteValue(const char* value)
{
    if (value == nullptr || *value != '/')
        return std::nullopt;
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> userConfigFolder(const SettingsLocation::Probe& probe)
{
    if (auto configHome = absoluteValue(probe.environment("XDG_CONFIG_HOME")))
        return *configHome / kConfigFolderName;
    auto home = absoluteValue(probe.environment("HOME"));
    if (!home) {
        const std::filesystem::path accountHome = probe.accountHome();
        home = absoluteValue(accountHome.c_str());
    }
    if (!home)
        return std::nullopt;
    return *home / ".config" / kConfigFolderName;
}

// Every message that names the settings file names it as UTF-8 text; a
// folder whose name has no such form (bytes that are not UTF-8) would be
// shown as another one, which the user could not find.
bool survivesAsText(const std::filesystem::path& path)
{
    return pathText::toPath(pathText::toText(path)) == path;
}

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
    probe.environment = [](const char* name) { return static_cast<const char*>(std::getenv(name)); };
    probe.accountHome = accountHomeFolder;
    return probe;
}

SettingsLocation SettingsLocation::find(const std::filesystem::path& programFolder)
{
    return find(programFolder, systemProbe());
}

SettingsLocation SettingsLocation::find(const std::filesystem::path& programFolder, const Probe& probe)
{
    const std::filesystem::path beside = programFolder / settingsFileName();
    if (probe.entryExists(beside) || probe.folderWritable(programFolder))
        return {beside, Place::BesideProgram};
    const auto folder = userConfigFolder(probe);
    if (!folder || !survivesAsText(*folder))
        return {beside, Place::BesideProgram}; // nowhere better: the save fails quietly, as it always did
    return {*folder / settingsFileName(), Place::UserConfigFolder};
}

SettingsLocation::SettingsLocation(std::filesystem::path file, Place place) : file_(std::move(file)), place_(place)
{
}

Status SettingsLocation::prepareForSaving(FileSystem& fs) const
{
    if (place_ != Place::UserConfigFolder)
        return ok();
    std::filesystem::path folder;
    for (const auto& part : file_.parent_path()) {
        folder /= part;
        const Status made = fs.mkdirAt(fs.workingFolder(), folder, 0700);
        if (!made && made.error().systemError != EEXIST)
            return unexpected(Failure::of(FailureCause::CannotCreate, made.error().systemError));
    }
    return ok();
}

} // namespace pellora
