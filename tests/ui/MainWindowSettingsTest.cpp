#include "WindowTestKit.h"

#include "settings/Settings.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace pellora {
namespace {

using test::control;

const QString kCaption = QStringLiteral("Vask SS移動変換ツール - ver0.30");

class MainWindowSettingsTest : public test::WindowTest {
protected:
    QString text(const MainWindow& window, const char* box) { return control<QLineEdit>(window, box)->text(); }
    int quality(const MainWindow& window) { return control<QScrollBar>(window, "qualityBar")->value(); }
    QString qualityLabel(const MainWindow& window) { return control<QLabel>(window, "qualityLabel")->text(); }
    bool checked(const MainWindow& window, const char* box) { return control<QCheckBox>(window, box)->isChecked(); }
};

TEST_F(MainWindowSettingsTest, FirstStartShowsTheDefaultsAndMovesIntoTheProgramFolder)
{
    const QString inDefault = QString::fromStdString(Settings::defaults().inDir);
    const QString outDefault = QString::fromStdString(Settings::defaults().outDir);
    ASSERT_FALSE(inDefault.isEmpty());

    auto window = openWindow();

    EXPECT_EQ(text(*window, "inputFolderBox"), inDefault);
    EXPECT_EQ(text(*window, "outputFolderBox"), outDefault);
    EXPECT_EQ(text(*window, "prefixBox"), QStringLiteral("sshot"));
    EXPECT_EQ(quality(*window), 50);
    EXPECT_EQ(qualityLabel(*window), QStringLiteral("50"));
    EXPECT_FALSE(checked(*window, "deleteSourcesCheck"));
    EXPECT_TRUE(checked(*window, "logCheck"));
    EXPECT_EQ(window->inputFolder(), inDefault + QStringLiteral("/"));
    EXPECT_EQ(window->outputFolder(), outDefault + QStringLiteral("/"));
    EXPECT_EQ(window->logPath(), outDefault + QStringLiteral("/kavlog.txt"));
    EXPECT_EQ(window->windowTitle(), kCaption);
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(),
              QFileInfo(test::qtext(programFolder.path())).canonicalFilePath());
    EXPECT_FALSE(std::filesystem::exists(programFolder / "Pellora.ini")) << "loading must not create the file";
}

TEST_F(MainWindowSettingsTest, StoredFoldersKeepTheirTextAndGainTheSeparatorOnlyInMemory)
{
    test::writeSettings(programFolder.path(), {"[initialize]", "indir=/data/shots/", "outdir=/data/out", "match=pic",
                                               "quality=80", "delcheck=1", "logcheck=0"});
    auto window = openWindow();

    EXPECT_EQ(text(*window, "inputFolderBox"), QStringLiteral("/data/shots/"));
    EXPECT_EQ(window->inputFolder(), QStringLiteral("/data/shots/")) << "no second separator";
    EXPECT_EQ(text(*window, "outputFolderBox"), QStringLiteral("/data/out"));
    EXPECT_EQ(window->outputFolder(), QStringLiteral("/data/out/"));
    EXPECT_EQ(window->logPath(), QStringLiteral("/data/out/kavlog.txt"));
    EXPECT_EQ(text(*window, "prefixBox"), QStringLiteral("pic"));
    EXPECT_EQ(quality(*window), 80);
    EXPECT_EQ(qualityLabel(*window), QStringLiteral("80"));
    EXPECT_TRUE(checked(*window, "deleteSourcesCheck"));
    EXPECT_FALSE(checked(*window, "logCheck"));

    window->close();
    EXPECT_EQ(test::settingsText(programFolder.path()),
              QStringLiteral("[initialize]\r\nindir=/data/shots/\r\noutdir=/data/out\r\nmatch=pic\r\n"
                             "quality=80\r\ndelcheck=1\r\nlogcheck=0\r\n"));
}

TEST_F(MainWindowSettingsTest, CloseBoxAndExitButtonWriteTheSameSevenLines)
{
    const QString expected = QStringLiteral("[initialize]\r\nindir=/games/in\r\noutdir=/games/out\r\nmatch=shot_\r\n"
                                            "quality=73\r\ndelcheck=1\r\nlogcheck=0\r\n");
    QStringList written;
    for (bool byExitButton : {false, true}) {
        SCOPED_TRACE(byExitButton ? "exitButton" : "close box");
        test::TempDir folder;
        MainWindow window(test::qtext(folder.path()));
        control<QLineEdit>(window, "inputFolderBox")->setText(QStringLiteral("/games/in"));
        control<QLineEdit>(window, "outputFolderBox")->setText(QStringLiteral("/games/out"));
        control<QLineEdit>(window, "prefixBox")->setText(QStringLiteral("shot_"));
        control<QScrollBar>(window, "qualityBar")->setValue(73);
        control<QCheckBox>(window, "deleteSourcesCheck")->setChecked(true);
        control<QCheckBox>(window, "logCheck")->setChecked(false);
        int endRequests = 0;
        QObject::connect(&window, &MainWindow::programEndRequested, [&] { ++endRequests; });
        window.show();
        if (byExitButton)
            control<QPushButton>(window, "exitButton")->click();
        else
            window.close();
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(endRequests, byExitButton ? 1 : 0) << "only Exit ends the whole program";
        written << test::settingsText(folder.path());
    }
    EXPECT_EQ(written.value(0), expected);
    EXPECT_EQ(written.value(1), expected);
}

// An installed program: its folder takes no file, so the settings live in the
// user's configuration folder, whose folders the first close creates.
TEST_F(MainWindowSettingsTest, AnInstalledWindowKeepsItsSettingsInTheUserConfigFolder)
{
    test::TempDir home;
    const std::filesystem::path file = home / ".config" / "pellora" / "Pellora.ini";
    const SettingsLocation location(file, SettingsLocation::Place::UserConfigFolder);
    {
        MainWindow window(test::qtext(programFolder.path()), location);
        EXPECT_EQ(window.settingsFilePath(), test::qtext(file));
        EXPECT_EQ(text(window, "prefixBox"), QStringLiteral("sshot"));
        EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(),
                  QFileInfo(test::qtext(programFolder.path())).canonicalFilePath())
            << "the program folder is still the current folder";
        control<QLineEdit>(window, "prefixBox")->setText(QStringLiteral("写真"));
        window.close();
    }
    EXPECT_EQ(test::readText(file), "[initialize]\r\nindir=" + Settings::defaults().inDir
                                        + "\r\noutdir=" + Settings::defaults().outDir
                                        + "\r\nmatch=\x8e\xca\x90^\r\nquality=50\r\ndelcheck=0\r\nlogcheck=1\r\n");
    EXPECT_TRUE(test::listNames(programFolder.path()).empty()) << "nothing is written beside the program";

    MainWindow reopened(test::qtext(programFolder.path()), location);
    EXPECT_EQ(text(reopened, "prefixBox"), QStringLiteral("写真"));
}

TEST_F(MainWindowSettingsTest, StoredNumbersConvertAsSerialsDo)
{
    const char* forms[][3] = {
        {"080", "1.0", "0.0"}, {"+80", "+1", "-0"}, {"8e1", "01", "00"}, {"80.0", "0.6", "0.4"}, {" 80.5 ", "1e0", "0e0"},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(std::string("quality=") + form[0]);
        test::TempDir folder;
        test::writeSettings(folder.path(), {"[initialize]", QStringLiteral("quality=") + form[0],
                                            QStringLiteral("delcheck=") + form[1], QStringLiteral("logcheck=") + form[2]});
        MainWindow window(test::qtext(folder.path()));
        EXPECT_EQ(quality(window), 80);
        EXPECT_EQ(qualityLabel(window), QStringLiteral("80"));
        EXPECT_TRUE(checked(window, "deleteSourcesCheck"));
        EXPECT_FALSE(checked(window, "logCheck"));
    }
}

TEST_F(MainWindowSettingsTest, ValuesTheControlsCannotTakeGiveTheKeyDefaults)
{
    struct Case {
        const char* quality;
        const char* delcheck;
        const char* logcheck;
    };
    const Case cases[] = {
        {"0", "2", "2"}, {"101", "-1", "7"}, {"abc", "x", ""}, {"100.6", "0.5e9", "99999"}, {"-50", "", "abc"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(std::string("quality=") + bad.quality);
        test::TempDir folder;
        test::writeSettings(folder.path(), {"[initialize]", QStringLiteral("quality=") + bad.quality,
                                            QStringLiteral("delcheck=") + bad.delcheck,
                                            QStringLiteral("logcheck=") + bad.logcheck});
        MainWindow window(test::qtext(folder.path()));
        EXPECT_EQ(quality(window), 50);
        EXPECT_EQ(qualityLabel(window), QStringLiteral("50"));
        EXPECT_FALSE(checked(window, "deleteSourcesCheck"));
        EXPECT_TRUE(checked(window, "logCheck"));
    }
}

} // namespace
} // namespace pellora
