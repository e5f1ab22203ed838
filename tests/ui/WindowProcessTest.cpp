#include "WindowTestKit.h"

#include "ui/CodePageMissing.h"
#include "ui/GraphicalSession.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

namespace pellora {
namespace {

Environment environmentOf(const std::map<std::string, std::string>& values)
{
    return [values](const char* name) -> const char* {
        const auto found = values.find(name);
        return found == values.end() ? nullptr : found->second.c_str();
    };
}

TEST(GraphicalSessionTest, OnlyAMissingDisplayStopsTheWindow)
{
    const auto reason = missingGraphicalSession(environmentOf({{"DISPLAY", ""}}), "./pellora");
    ASSERT_TRUE(reason.has_value());
    EXPECT_EQ(reason->find('\n'), std::string::npos) << "one line";
    EXPECT_NE(reason->find("xvfb-run -a ./pellora"), std::string::npos) << *reason;

    EXPECT_FALSE(missingGraphicalSession(environmentOf({{"DISPLAY", ":0"}}), "p"));
    EXPECT_FALSE(missingGraphicalSession(environmentOf({{"WAYLAND_DISPLAY", "wayland-0"}}), "p"));
    EXPECT_FALSE(missingGraphicalSession(environmentOf({{"QT_QPA_PLATFORM", "offscreen"}}), "p"));
}

TEST(GraphicalSessionTest, ExecutableWithoutDisplaySaysSoInOneLine)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PELLORA_WINDOW_EXECUTABLE), {});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "no abort";
    EXPECT_EQ(process.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    EXPECT_FALSE(said.contains(QLatin1Char('\n'))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("graphical session"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("xvfb-run"))) << said.toStdString();
}

// A system whose C library has no code page 932 (no gconv modules): the
// window cannot keep the log and the settings as the Windows tool reads
// them, so it says why on standard error and in a message box, on which it
// then waits, instead of opening or aborting.
TEST(CodePageMissingTest, TheExecutableSaysSoAndWaitsOnItsBox)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(PELLORA_WITHOUT_CP932));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PELLORA_WINDOW_EXECUTABLE), {});
    ASSERT_TRUE(process.waitForStarted(10000));
    // Its line, among whatever the toolkit says on standard error.
    QString said, line;
    QElapsedTimer waited;
    waited.start();
    while (line.isEmpty() && process.state() == QProcess::Running && waited.elapsed() < 10000) {
        process.waitForReadyRead(100);
        said += QString::fromLocal8Bit(process.readAllStandardError());
        for (const QString& each : said.split(u'\n').mid(0, said.count(u'\n')))
            if (each.startsWith(QStringLiteral("pellora: ")))
                line = each;
    }
    EXPECT_EQ(process.state(), QProcess::Running) << "it ended instead of showing its box: " << said.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("code page 932"))) << said.toStdString();
    process.kill();
    process.waitForFinished(10000);
}

TEST(CodePageMissingTest, TheBoxSaysWhatIsMissingAndWhatToInstall)
{
    QStringList shown;
    sayCodePageMissing(Prompts{[&shown](QWidget*, const QString& text) { shown << text; }, nullptr});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Shift_JIS"))) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("gconv"))) << shown[0].toStdString();
}

// What a message box looked like; the box is answered with `answer`.
struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

void answerBox(BoxSeen& seen, QMessageBox::StandardButton answer)
{
    test::onNextModal<QMessageBox>([&seen, answer](QMessageBox& box) {
        seen = BoxSeen{box.windowTitle(), box.text(), box.icon(), box.standardButtons()};
        box.button(answer)->click();
    });
}

TEST(PromptsTest, MessageBoxesCarryTheTitleIconAndButtons)
{
    const Prompts prompts = Prompts::messageBoxes();
    BoxSeen seen;

    answerBox(seen, QMessageBox::Ok);
    prompts.critical(nullptr, QStringLiteral("コピー元フォルダが無効です。"));
    EXPECT_EQ(seen.title, QStringLiteral("Pellora"));
    EXPECT_EQ(seen.text, QStringLiteral("コピー元フォルダが無効です。"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    answerBox(seen, QMessageBox::No);
    EXPECT_FALSE(prompts.askYesNo(nullptr, QStringLiteral("作成しますか？")));
    EXPECT_EQ(seen.title, QStringLiteral("Pellora"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    answerBox(seen, QMessageBox::Yes);
    EXPECT_TRUE(prompts.askYesNo(nullptr, QStringLiteral("作成しますか？")));
}

} // namespace
} // namespace pellora
