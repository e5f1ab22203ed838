#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // ctest sets the platform for the tests themselves; listing the tests
    // must not need a display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    // Tests close many windows; none of them may end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
