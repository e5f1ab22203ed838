#include "ui/WindowCommandLine.h"

namespace pellora {

WindowCommandLine::Request WindowCommandLine::request(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help")
            return Request::Help;
        if (argument == "-V" || argument == "--version")
            return Request::Version;
    }
    return Request::OpenWindow;
}

std::optional<std::string> WindowCommandLine::leftOver(int argc, const char* const* argv)
{
    if (argc < 2)
        return std::nullopt;
    return std::string(argv[1]);
}

std::string WindowCommandLine::helpText()
{
    return "usage: pellora [-h | --help] [-V | --version] [Qt options]\n"
           "Opens the window that converts a game's TGA screenshots to numbered JPEG files.\n"
           "Its settings are in Pellora.ini beside the program when it is there or the program's folder\n"
           "is writable, otherwise in $XDG_CONFIG_HOME/pellora/Pellora.ini (by default\n"
           "~/.config/pellora/Pellora.ini). The same conversion runs in a terminal with pellora-cli.\n"
           "  -h, --help      show this text and exit\n"
           "  -V, --version   show the version and exit\n"
           "Qt's own options, such as -platform NAME or -style NAME, go to Qt. Any other argument is\n"
           "refused with exit status 2.\n";
}

std::string WindowCommandLine::versionText()
{
    return "pellora " PELLORA_VERSION "\n";
}

std::string WindowCommandLine::unknownArgumentText(std::string_view argument)
{
    return "pellora: unknown argument \"" + std::string(argument) + "\"; try 'pellora --help'\n";
}

} // namespace pellora
