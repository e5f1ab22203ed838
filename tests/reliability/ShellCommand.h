#pragma once

#include <filesystem>
#include <string>

namespace pellora::test {

// Runs `command` through the shell, its standard error dropped; true when it
// exited 0. With `firstLine`, the first line it printed, without its line end.
bool runShellCommand(const std::string& command, std::string* firstLine = nullptr);

// `path` as one word of a shell command.
std::string shellQuoted(const std::filesystem::path& path);

} // namespace pellora::test
