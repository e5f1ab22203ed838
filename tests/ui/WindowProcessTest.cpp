#include "WindowTestKit.h"

#include "ui/GraphicalSession.h"
#include "ui/Prompts.h"

#include <QApplication>
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
