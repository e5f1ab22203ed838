#include "WindowTestKit.h"

#include <QAbstractButton>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace pellora::test {

QString qtext(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

void writeSettings(const std::filesystem::path& programFolder, const QStringList& lines)
{
    const QByteArray bytes = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    writeBytes(programFolder / "Pellora.ini", std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

QString settingsText(const std::filesystem::path& programFolder)
{
    return QString::fromStdString(readText(programFolder / "Pellora.ini"));
}

void WindowTest::activate(MainWindow& window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

} // namespace pellora::test

namespace pellora::test {

void WindowTest::pressAccessKey(MainWindow& window, Qt::Key key, QAbstractButton* button)
{
    ASSERT_NE(button, nullptr);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::keyClick(&window, key, Qt::AltModifier);
    if (clicked.isEmpty()) {
        EXPECT_TRUE(clicked.wait(2000)) << "Alt+" << char(key) << " did not press " << button->text().toStdString();
    }
}

void WindowTest::waitForRunEnd(const MainWindow& window)
{
    EXPECT_TRUE(QTest::qWaitFor([&window] { return !window.runInProgress(); }, 30000)) << "the run did not end";
}

} // namespace pellora::test
