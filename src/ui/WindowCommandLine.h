#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pellora {

// What the window's command line asks for. The window takes no arguments of
// its own but --help and --version, which a terminal user expects of any
// program and which must answer without a display; Qt's own options
// (-platform, -style, ...) are Qt's to take.
class WindowCommandLine {
public:
    enum class Request { OpenWindow, Help, Version };

    // The first of -h, --help, -V, --version among the arguments, looked at
    // before anything needs a display; argv[0] is the program.
    static Request request(int argc, const char* const* argv);

    // Once Qt has taken its options out of argv: the first argument nobody
    // took, if any.
    static std::optional<std::string> leftOver(int argc, const char* const* argv);

    static std::string helpText();
    static std::string versionText();
    // One line for an argument nobody took, and how to learn more.
    static std::string unknownArgumentText(std::string_view argument);
};

} // namespace pellora
