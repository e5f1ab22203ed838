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

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (!pellora::ensureStandardDescriptorsOpen())
        return 1;
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
