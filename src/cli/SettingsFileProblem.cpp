#include "cli/SettingsFileProblem.h"

#include "settings/ProfileFile.h"
#include "settings/Settings.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace pellora {

namespace {

std::string readFailure(const Failure& failure, const CliMessages& say)
{
    switch (failure.cause) {
    case FailureCause::NotRegularFile:
        return say(CliText::NotRegularFile);
    case FailureCause::TooLarge:
        return say(CliText::LargerThan, {std::to_string(profileFile::kMaxSize >> 20)});
    default:
        if (failure.systemError == ENOENT)
            return say(CliText::DoesNotExist);
        return say(CliText::CannotBeRead, {std::strerror(failure.systemError)});
    }
}

} // namespace

std::optional<std::string> settingsFileProblem(const Expected<IniContents, Failure>& read, const CliMessages& say)
{
    if (!read)
        return readFailure(read.error(), say);
    if (!read->hasSection(Settings::kSection))
        return say(CliText::NoSection, {Settings::kSection});
    return std::nullopt;
}

std::optional<std::string> defaultSettingsFileProblem(const std::filesystem::path& file,
                                                      const Expected<IniContents, Failure>& read,
                                                      const CliMessages& say)
{
    if (read)
        return std::nullopt;
    if (read.error().systemError != ENOENT)
        return readFailure(read.error(), say);
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(file, error)))
        return say(CliText::LinkToMissingFile);
    return std::nullopt;
}

} // namespace pellora
