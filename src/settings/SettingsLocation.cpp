#include "settings/SettingsLocation.h"

#include "platform/io/FileSystem.h"
#include "platform/text/PathText.h"
#include "settings/Settings.h"

#include <cerrno>

namespace pellora {

namespace {

std::filesystem::path settingsFileName()
{
    return std::string(Settings::kApplicationTitle) + ".ini";
}

// An environment value the rules accept: set, not empty, absolute.
std::optional<std::filesystem::path> absoluteValue(const std::optional<std::string>& value)
{
    if (!value || value->empty())
        return std::nullopt;
    std::filesystem::path path = pathText::toPath(*value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

std::optional<std::filesystem::path> absoluteValue(const std::filesystem::path& path)
{
    if (path.empty() || !path.is_absolute())
        return std::nullopt;
    return path;
}

#ifdef _WIN32
constexpr const char* kConfigFolderName = "Pellora";

std::optional<std::filesystem::path> userConfigFolder(const SettingsLocation::Probe& probe)
{
    auto appData = absoluteValue(probe.environment("APPDATA"));
    if (!appData)
        appData = absoluteValue(probe.accountHome());
    if (!appData)
        return std::nullopt;
    return *appData / kConfigFolderName;
}
#else
constexpr const char* kConfigFolderName = "pellora";

std::optional<std::filesystem::path> userConfigFolder(const SettingsLocation::Probe& probe)
{
    if (auto configHome = absoluteValue(probe.environment("XDG_CONFIG_HOME")))
        return *configHome / kConfigFolderName;
    auto home = absoluteValue(probe.environment("HOME"));
    if (!home)
        home = absoluteValue(probe.accountHome());
    if (!home)
        return std::nullopt;
    return *home / ".config" / kConfigFolderName;
}
#endif

// Every message that names the settings file names it as UTF-8 text; a
// folder whose name has no such form (bytes that are not UTF-8, half of a
// surrogate pair) would be shown as another one, which the user could not find.
bool survivesAsText(const std::filesystem::path& path)
{
    return pathText::toPath(pathText::toText(path)) == path;
}

} // namespace

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
    // From the root down ("C:\" on Windows is a root too, not a folder to make).
    const std::filesystem::path parent = file_.parent_path();
    std::filesystem::path folder = parent.root_path();
    for (const auto& part : parent.relative_path()) {
        folder /= part;
        const Status made = fs.mkdirAt(fs.workingFolder(), folder, 0700);
        if (!made && made.error().systemError != EEXIST)
            return unexpected(Failure::of(FailureCause::CannotCreate, made.error().systemError));
    }
    return ok();
}

} // namespace pellora
