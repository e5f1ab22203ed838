#pragma once

#include <functional>
#include <optional>
#include <string>

namespace pellora {

// Whether the window can open at all. Without a display Qt aborts with a
// message about platform plug-ins that tells a user nothing useful.
class GraphicalSession {
public:
    using Environment = std::function<const char*(const char* name)>;

    // One line saying what is missing and how to try anyway, or nothing when
    // a display is there or a Qt platform was chosen explicitly.
    static std::optional<std::string> missingReason(const Environment& environment, const std::string& program);
};

} // namespace pellora
