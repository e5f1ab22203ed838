#include "cli/CliOptions.h"

namespace pellora {

namespace {

std::optional<int> numberBetween(const QString& text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

bool takesValue(const QString& option)
{
    return option == u"--in" || option == u"--out" || option == u"--prefix" || option == u"--settings"
           || option == u"--quality" || option == u"--jobs";
}

} // namespace

QString CliOptions::usage()
{
    return QStringLiteral(
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

Expected<CliOptions, QString> CliOptions::parse(const QStringList& arguments)
{
    CliOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        std::optional<QString> problem;
        if (!takesValue(option))
            problem = options.setFlag(option);
        else if (i + 1 < arguments.size())
            problem = options.setValue(option, arguments[++i]);
        else
            problem = QStringLiteral("%1 needs a value").arg(option);
        if (problem)
            return unexpected(*problem);
    }
    return options;
}

std::optional<QString> CliOptions::setFlag(const QString& option)
{
    if (option == u"--help" || option == u"-h")
        help = true;
    else if (option == u"--version")
        version = true;
    else if (option == u"--delete" || option == u"--keep")
        deleteSources = option == u"--delete";
    else if (option == u"--log" || option == u"--no-log")
        log = option == u"--log";
    else if (option == u"--create-out")
        createOutputFolder = true;
    else
        return QStringLiteral("unknown option \"%1\"").arg(option);
    return std::nullopt;
}

std::optional<QString> CliOptions::setValue(const QString& option, const QString& value)
{
    if (option == u"--quality") {
        quality = numberBetween(value, 1, 100);
        if (!quality)
            return QStringLiteral("--quality takes a whole number from 1 to 100, not \"%1\"").arg(value);
    } else if (option == u"--jobs") {
        const auto count = numberBetween(value, 1, 256);
        if (!count)
            return QStringLiteral("--jobs takes a whole number from 1 to 256, not \"%1\"").arg(value);
        jobs = static_cast<unsigned>(*count);
    } else {
        (option == u"--in" ? inDir : option == u"--out" ? outDir : option == u"--prefix" ? prefix : settingsFile) = value;
    }
    return std::nullopt;
}

} // namespace pellora
