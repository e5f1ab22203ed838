#include "ui/GraphicalSession.h"

namespace pellora {

namespace {

bool isSet(const Environment& environment, const char* name)
{
    const char* value = environment(name);
    return value != nullptr && *value != '\0';
}

} // namespace

std::optional<std::string> missingGraphicalSession(const Environment& environment, const std::string& program)
{
#ifdef _WIN32
    (void)environment;
    (void)program;
    return std::nullopt;
#else
    if (isSet(environment, "QT_QPA_PLATFORM") || isSet(environment, "DISPLAY")
        || isSet(environment, "WAYLAND_DISPLAY"))
        return std::nullopt;
    return "pellora: this window needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set);"
           " to try it without one, run: xvfb-run -a " + program;
#endif
}

} // namespace pellora
