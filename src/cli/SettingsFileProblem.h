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

} // namespace pellora
