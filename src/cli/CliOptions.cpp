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
        "or --settings FILE, which must exist and hold an [initialize] section.\n"        "  --in DIR        input folder (where the game writes its TGA screenshots)\n"
        "  --out DIR       output folder (JPEG files and kavlog.txt)\n"
        "  --prefix TEXT   file-name prefix of the numbered JPEG files\n"
        "  --quality N     JPEG quality, 1 to 100\n"
        "  --delete/--keep delete each TGA after its JPEG is safely written, or keep it\n"
        "  --log/--no-log  append to kavlog.txt in the output folder, or not\n"
        "  --create-out    create a missing output folder (one level) instead of stopping\n"
        "  --jobs N        files converted at once (default: every hardware thread; 1: one after the other)\n"
        "Exit status: 0 all converted or none found, 1 a file failed or the serial limit was reached,\n"
        "2 bad usage or a folder problem before any file.\n");
}

Expected<CliOptions, QString> CliOptions::parse(const QStringList& arguments)
{
    CliOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        auto takeValue = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto missing = [&] { return unexpected(QStringLiteral("%1 needs a value").arg(option)); };

        if (option == u"--help" || option == u"-h") {
            options.help = true;
        } else if (option == u"--version") {
            options.version = true;
        } else if (option == u"--in" || option == u"--out" || option == u"--prefix" || option == u"--settings") {
            const auto value = takeValue();
            if (!value)
                return missing();
            (option == u"--in" ? options.inDir : option == u"--out" ? options.outDir
                                              : option == u"--prefix" ? options.prefix
                                                                      : options.settingsFile) = *value;
        } else if (option == u"--quality") {
            const auto value = takeValue();
            if (!value)
                return missing();
            options.quality = numberBetween(*value, 1, 100);
            if (!options.quality)
                return unexpected(QStringLiteral("--quality takes a whole number from 1 to 100, not \"%1\"").arg(*value));
        } else if (option == u"--jobs") {
            const auto value = takeValue();
            if (!value)
                return missing();
            const auto jobs = numberBetween(*value, 1, 256);
            if (!jobs)
                return unexpected(QStringLiteral("--jobs takes a whole number from 1 to 256, not \"%1\"").arg(*value));
            options.jobs = static_cast<unsigned>(*jobs);
        } else if (option == u"--delete" || option == u"--keep") {
            options.deleteSources = option == u"--delete";
        } else if (option == u"--log" || option == u"--no-log") {
            options.log = option == u"--log";
        } else if (option == u"--create-out") {
            options.createOutputFolder = true;
        } else {
            return unexpected(QStringLiteral("unknown option \"%1\"").arg(option));
        }
    }
    return options;
}

} // namespace pellora
