#include "cli/SettingsFileProblem.h"

#include "platform/FailureTable.h"
#include "settings/ProfileFile.h"
#include "settings/Settings.h"

#include <cerrno>
#include <filesystem>

namespace pellora {

namespace {

std::string readFailure(const Failure& failure)
{
    const std::string reason = englishReason(failure);
    if (failure.cause == FailureCause::TooLarge)
        return reason + " " + std::to_string(profileFile::kMaxSize >> 20) + " MiB";
    return reason;
}

} // namespace

std::optional<std::string> settingsFileProblem(const Expected<IniContents, Failure>& read)
{
    if (!read)
        return readFailure(read.error());
    if (!read->hasSection(Settings::kSection))
        return "has no [" + std::string(Settings::kSection) + "] section";
    return std::nullopt;
}

std::optional<std::string> defaultSettingsFileProblem(const std::filesystem::path& file,
                                                      const Expected<IniContents, Failure>& read)
{
    if (read)
        return std::nullopt;
    if (read.error().systemError != ENOENT)
        return readFailure(read.error());
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(file, error)))
        return "is a link to a missing file";
    return std::nullopt;
}

} // namespace pellora
