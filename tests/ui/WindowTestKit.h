#pragma once

#include "support/TempDir.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <ostream>

// Failure messages show texts as text, not as arrays of code units.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{';
    for (const QString& text : texts)
        *out << (&text == &texts.front() ? "\"" : ", \"") << text.toStdString() << '"';
    *out << '}';
}

namespace pellora::test {

// The control `name` of `window`; fails the test when it is missing.
template <typename Control>
Control* control(const QWidget& window, const char* name)
{
    auto* found = window.findChild<Control*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Hands the modal `Dialog` that the next call opens to `act`, which must
// close it; fails the test when no such dialog is open.
template <typename Dialog>
void onNextModal(std::function<void(Dialog&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no " << Dialog::staticMetaObject.className() << " is open";
            return;
        }
        act(*dialog);
    });
}

QString qtext(const std::filesystem::path& path);
// Writes a settings file from lines, as a hand-edited file would look.
void writeSettings(const std::filesystem::path& programFolder, const QStringList& lines);
QString settingsText(const std::filesystem::path& programFolder);

// A temporary program folder and a window loaded from it. The window makes
// that folder the current one; the fixture puts the old one back.
class WindowTest : public ::testing::Test {
protected:
    WindowTest() : previousFolder_(QDir::currentPath()) {}
    void TearDown() override { QDir::setCurrent(previousFolder_); }

    std::unique_ptr<MainWindow> openWindow() { return std::make_unique<MainWindow>(qtext(programFolder.path())); }
    // Shows the window and waits until it has the keyboard.
    static void activate(MainWindow& window);
    // Alt + `key`, as the user presses it. A button pressed by its access key
    // clicks only after a short animation; this waits for that click (and
    // whatever the click does) unless `button` is disabled.
    static void pressAccessKey(MainWindow& window, Qt::Key key, QAbstractButton* button);
    // Turns the event loop until the run of `window` has ended and the
    // window has shown all of it; fails the test after 30 seconds.
    static void waitForRunEnd(const MainWindow& window);

    TempDir programFolder;

private:
    QString previousFolder_;
};

} // namespace pellora::test
