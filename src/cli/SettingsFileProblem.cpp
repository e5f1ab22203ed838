#include "cli/SettingsFileProblem.h"

#include "platform/io/FileSystem.h"
#include "platform/text/PathText.h"
#include "settings/PrivateProfile.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"
#include "settings/Settings.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace pellora {

namespace {

QString readFailure(const Failure& failure)
{
    switch (failure.cause) {
    case FailureCause::NotRegularFile:
        return QStringLiteral("is not a regular file");
    case FailureCause::TooLarge:
        return QStringLiteral("is larger than %1 MiB").arg(profileFile::kMaxSize >> 20);
    default:
        if (failure.systemError == ENOENT)
            return QStringLiteral("does not exist");
        return QStringLiteral("cannot be read (%1)").arg(QString::fromLocal8Bit(std::strerror(failure.systemError)));
    }
}

} // namespace

std::optional<QString> settingsFileProblem(const QString& fileName)
{
    const auto contents = profileFile::read(FileSystem::forFrontEnds(), pathText::toPath(fileName));
    if (!contents)
        return readFailure(contents.error());
    if (!PrivateProfile(profileEncoding::editable(contents->bytes).bytes).hasSection(Settings::kSection))
        return QStringLiteral("has no [%1] section").arg(QString::fromLatin1(Settings::kSection));
    return std::nullopt;
}

std::optional<QString> defaultSettingsFileProblem(const QString& fileName)
{
    const std::filesystem::path path = pathText::toPath(fileName);
    const auto contents = profileFile::read(FileSystem::forFrontEnds(), path);
    if (contents)
        return std::nullopt;
    if (contents.error().systemError != ENOENT)
        return readFailure(contents.error());
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
        return QStringLiteral("is a link to a missing file");
    return std::nullopt;
}

} // namespace pellora
