#include "cli/CliOptions.h"

#include <charconv>
#include <string_view>

namespace pellora {

namespace {

// A whole number, blanks around it and a sign allowed.
std::optional<int> numberBetween(std::string_view text, int lowest, int highest)
{
    constexpr std::string_view blanks = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

bool takesValue(const std::string& option)
{
    return option == "--in" || option == "--out" || option == "--prefix" || option == "--settings"
           || option == "--quality" || option == "--jobs";
}

} // namespace

std::string CliOptions::usage()
{
    return std::string(
        "usage: pellora-cli [--in DIR] [--out DIR] [--prefix TEXT] [--quality N] [--delete | --keep]\n"
        "                   [--log | --no-log] [--create-out] [--jobs N] [--settings FILE] [--help] [--version]\n"
        "Converts every *.tga file of the input folder to a numbered JPEG in the output folder.\n"
        "Values not given come from the settings file, which is never written: Pellora.ini beside the\n"
        "program when it is there or the program's folder is writable, otherwise\n"
        "$XDG_CONFIG_HOME/pellora/Pellora.ini (by default ~/.config/pellora/Pellora.ini), as for the window;\n"
        "or --settings FILE, which must exist and hold an [initialize] section.\n"
        "  --in DIR        input folder (where the game writes its TGA screenshots)\n"
        "  --out DIR       output folder (JPEG files and kavlog.txt)\n"
        "  --prefix TEXT   file-name prefix of the numbered JPEG files\n"
        "  --quality N     JPEG quality, 1 to 100\n"
        "  --delete/--keep delete each TGA after its JPEG is safely written, or keep it\n"
        "  --log/--no-log  append to kavlog.txt in the output folder, or not\n"
        "  --create-out    create a missing output folder (one level) instead of stopping\n"
        "  --jobs N        files converted at once (default: every hardware thread; 1: one after the other)\n"
        "Exit status: 0 all converted or none found, 1 a file failed or the serial limit was reached,\n"
        "2 bad usage or a folder problem before any file; 128+N when signal N stopped the run before its\n"
        "last file: 130 Ctrl+C, 129 SIGHUP, 143 SIGTERM, 141 standard output closed (a reader such as\n"
        "head went away). A stopped run finishes the files in hand and logs its end line; the files\n"
        "not started are untouched.\n");
}

Expected<CliOptions, std::string> CliOptions::parse(const std::vector<std::string>& arguments)
{
    CliOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        std::optional<std::string> problem;
        if (!takesValue(option))
            problem = options.setFlag(option);
        else if (i + 1 < arguments.size())
            problem = options.setValue(option, arguments[++i]);
        else
            problem = option + " needs a value";
        if (problem)
            return unexpected(*problem);
    }
    return options;
}

std::optional<std::string> CliOptions::setFlag(const std::string& option)
{
    if (option == "--help" || option == "-h")
        help = true;
    else if (option == "--version")
        version = true;
    else if (option == "--delete" || option == "--keep")
        deleteSources = option == "--delete";
    else if (option == "--log" || option == "--no-log")
        log = option == "--log";
    else if (option == "--create-out")
        createOutputFolder = true;
    else
        return "unknown option " + quoted(option);
    return std::nullopt;
}

std::optional<std::string> CliOptions::setValue(const std::string& option, const std::string& value)
{
    if (option == "--quality") {
        quality = numberBetween(value, 1, 100);
        if (!quality)
            return "--quality takes a whole number from 1 to 100, not " + quoted(value);
    } else if (option == "--jobs") {
        const auto count = numberBetween(value, 1, 256);
        if (!count)
            return "--jobs takes a whole number from 1 to 256, not " + quoted(value);
        jobs = static_cast<unsigned>(*count);
    } else {
        (option == "--in" ? inDir : option == "--out" ? outDir : option == "--prefix" ? prefix : settingsFile) = value;
    }
    return std::nullopt;
}

} // namespace pellora
