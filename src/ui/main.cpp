#include "platform/io/StandardDescriptors.h"
#include "platform/io/StopSignals.h"
#include "platform/io/WriteSignals.h"
#include "platform/text/Cp932.h"
#include "ui/CodePageMissing.h"
#include "ui/ExitOnStopSignals.h"
#include "ui/GraphicalSession.h"
#include "ui/JapaneseQtTranslator.h"
#include "ui/MainWindow.h"
#include "ui/Prompts.h"
#include "ui/WindowCommandLine.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A failed write (a full disk, a closed pipe) is a failure, not a silent success.
int printed(std::FILE* stream, const std::string& text, int status)
{
    const bool written = std::fputs(text.c_str(), stream) >= 0;
    return std::fflush(stream) == 0 && written ? status : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!pellora::ensureStandardDescriptorsOpen())
        return 1;
    // Answered without a display, as a terminal user expects.
    switch (pellora::WindowCommandLine::request(argc, argv)) {
    case pellora::WindowCommandLine::Request::Help:
        return printed(stdout, pellora::WindowCommandLine::helpText(), 0);
    case pellora::WindowCommandLine::Request::Version:
        return printed(stdout, pellora::WindowCommandLine::versionText(), 0);
    case pellora::WindowCommandLine::Request::OpenWindow:
        break;
    }
    pellora::ignoreWriteSignals();
    // Caught from here on; the window acts on them once it is there.
    const pellora::StopSignals stopSignals;
    const auto missing = pellora::missingGraphicalSession(
        [](const char* name) { return std::getenv(name); }, argc > 0 ? argv[0] : "pellora");
    if (missing) {
        std::fprintf(stderr, "%s\n", missing->c_str());
        return 1;
    }

    QApplication application(argc, argv);
    // Qt has taken its own options out; whatever is left was meant for no one.
    if (const auto unknown = pellora::WindowCommandLine::leftOver(argc, argv))
        return printed(stderr, pellora::WindowCommandLine::unknownArgumentText(*unknown), 2);
    QApplication::setApplicationName(QStringLiteral("Pellora"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pellora/pellora.png")));
    QApplication::setDesktopFileName(QStringLiteral("pellora"));

    // Qt's own buttons and menus speak the window's language, whatever the system's.
    pellora::JapaneseQtTranslator qtInJapanese;
    QCoreApplication::installTranslator(&qtInJapanese);

    if (!pellora::cp932::available()) {
        pellora::sayCodePageMissing(pellora::Prompts::messageBoxes());
        return 1;
    }

    pellora::MainWindow window(QCoreApplication::applicationDirPath());
    // Exit ends the program at once, whatever else is still open.
    QObject::connect(&window, &pellora::MainWindow::programEndRequested, &application,
                     [] { QCoreApplication::exit(0); });
    // SIGTERM, SIGHUP and Ctrl+C end the program as Exit does.
    const pellora::ExitOnStopSignals exitOnStopSignals(stopSignals, window);
    window.show();
    return application.exec();
}
