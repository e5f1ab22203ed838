#include "PickerInFreshProcess.h"
#include "WindowRunInFreshProcess.h"

#include "ui/JapaneseQtTranslator.h"

#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // ctest sets the platform for the tests themselves; listing the tests
    // must not need a display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool pickerChild = argc == 3 && std::strcmp(argv[1], pellora::test::kOpenPickerTwice) == 0;
    const bool runChild = argc == 3 && std::strcmp(argv[1], pellora::test::kRunWindowUntilStopped) == 0;
    if (!pickerChild && !runChild)
        ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    // Tests close many windows; none of them may end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    // As the program does at start-up.
    pellora::JapaneseQtTranslator qtInJapanese;
    QCoreApplication::installTranslator(&qtInJapanese);
    if (pickerChild)
        return pellora::test::openPickerTwice(argv[2]);
    if (runChild)
        return pellora::test::runWindowUntilStopped(argv[2]);
    return RUN_ALL_TESTS();
}
