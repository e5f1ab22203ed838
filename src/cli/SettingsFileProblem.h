#pragma once

#include <QString>
#include <optional>

namespace pellora {

// Why a settings file named on the command line cannot be used. Unlike the
// file beside the program, whose absence simply means the defaults, a file
// the user names must be there and be a settings file: a typing mistake
// must not run with values nobody chose.
// Nothing when the file can be used; otherwise the cause, in a few words.
std::optional<QString> settingsFileProblem(const QString& fileName);

// Why the settings file read when none is named cannot be read, in the same
// words. The run goes on with the defaults then, but the user must hear why
// the settings were not used. Nothing when it can be read, and when nothing
// is under its name (no settings saved yet); a link to a missing file was
// put there on purpose and is told.
std::optional<QString> defaultSettingsFileProblem(const QString& fileName);

} // namespace pellora
