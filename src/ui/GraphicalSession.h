#pragma once

#include <functional>
#include <optional>
#include <string>

namespace pellora {

using Environment = std::function<const char*(const char* name)>;

// Whether the window can open at all. Without a display Qt aborts with a
// message about platform plug-ins that tells a user nothing useful. One line
// saying what is missing and how to try anyway, or nothing when a display is
// there or a Qt platform was chosen explicitly.
std::optional<std::string> missingGraphicalSession(const Environment& environment, const std::string& program);

} // namespace pellora
