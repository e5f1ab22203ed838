#pragma once

#include "cli/CliMessages.h"
#include "platform/Expected.h"
#include "platform/Failure.h"
#include "settings/IniContents.h"

#include <filesystem>
#include <optional>
#include <string>

namespace pellora {

// Why a settings file named on the command line cannot be used, from what
// reading it found. Unlike the file beside the program, whose absence simply
// means the defaults, a file the user names must be there and be a settings
// file: a typing mistake must not run with values nobody chose.
// Nothing when the file can be used; otherwise the cause, in a few words of
// `messages`' language.
std::optional<std::string> settingsFileProblem(const Expected<IniContents, Failure>& read,
                                               const CliMessages& messages);

// Why the settings file read when none is named could not be read, in the
// same words. The run goes on with the defaults then, but the user must hear
// why the settings were not used. Nothing when it was read, and when nothing
// is under its name (no settings saved yet); a link to a missing file was
// put there on purpose and is told.
std::optional<std::string> defaultSettingsFileProblem(const std::filesystem::path& file,
                                                      const Expected<IniContents, Failure>& read,
                                                      const CliMessages& messages);

} // namespace pellora
