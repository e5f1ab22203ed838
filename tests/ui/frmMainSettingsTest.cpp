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

class frmMainSettingsTest : public test::WindowTest {
protected:
    QString text(const frmMain& window, const char* box) { return control<QLineEdit>(window, box)->text(); }
    int quality(const frmMain& window) { return control<QScrollBar>(window, "HScroll1")->value(); }
    QString qualityLabel(const frmMain& window) { return control<QLabel>(window, "lblQua")->text(); }
    bool checked(const frmMain& window, const char* box) { return control<QCheckBox>(window, box)->isChecked(); }
};

TEST_F(frmMainSettingsTest, FirstStartShowsTheDefaultsAndMovesIntoTheProgramFolder)
{
    const QString inDefault = QString::fromStdString(Settings::defaults().inDir);
    const QString outDefault = QString::fromStdString(Settings::defaults().outDir);
    ASSERT_FALSE(inDefault.isEmpty());

    auto window = openWindow();

    EXPECT_EQ(text(*window, "txtInDir"), inDefault);
    EXPECT_EQ(text(*window, "txtOutDir"), outDefault);
    EXPECT_EQ(text(*window, "txtMatch"), QStringLiteral("sshot"));
    EXPECT_EQ(quality(*window), 50);
    EXPECT_EQ(qualityLabel(*window), QStringLiteral("50"));
    EXPECT_FALSE(checked(*window, "chkDel"));
    EXPECT_TRUE(checked(*window, "chkLog"));
    EXPECT_EQ(window->InDir(), inDefault + QStringLiteral("/"));
    EXPECT_EQ(window->OutDir(), outDefault + QStringLiteral("/"));
    EXPECT_EQ(window->LogPath(), outDefault + QStringLiteral("/kavlog.txt"));
    EXPECT_EQ(window->windowTitle(), kCaption);
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(),
              QFileInfo(test::qtext(programFolder.path())).canonicalFilePath());
    EXPECT_FALSE(std::filesystem::exists(programFolder / "Pellora.ini")) << "loading must not create the file";
}

TEST_F(frmMainSettingsTest, StoredFoldersKeepTheirTextAndGainTheSeparatorOnlyInMemory)
{
    test::writeSettings(programFolder.path(), {"[initialize]", "indir=/data/shots/", "outdir=/data/out", "match=pic",
                                               "quality=80", "delcheck=1", "logcheck=0"});
    auto window = openWindow();

    EXPECT_EQ(text(*window, "txtInDir"), QStringLiteral("/data/shots/"));
    EXPECT_EQ(window->InDir(), QStringLiteral("/data/shots/")) << "no second separator";
    EXPECT_EQ(text(*window, "txtOutDir"), QStringLiteral("/data/out"));
    EXPECT_EQ(window->OutDir(), QStringLiteral("/data/out/"));
    EXPECT_EQ(window->LogPath(), QStringLiteral("/data/out/kavlog.txt"));
    EXPECT_EQ(text(*window, "txtMatch"), QStringLiteral("pic"));
    EXPECT_EQ(quality(*window), 80);
    EXPECT_EQ(qualityLabel(*window), QStringLiteral("80"));
    EXPECT_TRUE(checked(*window, "chkDel"));
    EXPECT_FALSE(checked(*window, "chkLog"));

    window->close();
    EXPECT_EQ(test::settingsText(programFolder.path()),
              QStringLiteral("[initialize]\r\nindir=/data/shots/\r\noutdir=/data/out\r\nmatch=pic\r\n"
                             "quality=80\r\ndelcheck=1\r\nlogcheck=0\r\n"));
}

TEST_F(frmMainSettingsTest, CloseBoxAndExitButtonWriteTheSameSevenLines)
{
    const QString expected = QStringLiteral("[initialize]\r\nindir=/games/in\r\noutdir=/games/out\r\nmatch=shot_\r\n"
                                            "quality=73\r\ndelcheck=1\r\nlogcheck=0\r\n");
    QStringList written;
    for (bool byExitButton : {false, true}) {
        SCOPED_TRACE(byExitButton ? "cmdExit" : "close box");
        test::TempDir folder;
        frmMain window(test::qtext(folder.path()));
        control<QLineEdit>(window, "txtInDir")->setText(QStringLiteral("/games/in"));
        control<QLineEdit>(window, "txtOutDir")->setText(QStringLiteral("/games/out"));
        control<QLineEdit>(window, "txtMatch")->setText(QStringLiteral("shot_"));
        control<QScrollBar>(window, "HScroll1")->setValue(73);
        control<QCheckBox>(window, "chkDel")->setChecked(true);
        control<QCheckBox>(window, "chkLog")->setChecked(false);
        int endRequests = 0;
        QObject::connect(&window, &frmMain::programEndRequested, [&] { ++endRequests; });
        window.show();
        if (byExitButton)
            control<QPushButton>(window, "cmdExit")->click();
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
TEST_F(frmMainSettingsTest, AnInstalledWindowKeepsItsSettingsInTheUserConfigFolder)
{
    test::TempDir home;
    const std::filesystem::path file = home / ".config" / "pellora" / "Pellora.ini";
    const SettingsLocation location(file, SettingsLocation::Place::UserConfigFolder);
    {
        frmMain window(test::qtext(programFolder.path()), location);
        EXPECT_EQ(window.settingsFilePath(), test::qtext(file));
        EXPECT_EQ(text(window, "txtMatch"), QStringLiteral("sshot"));
        EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(),
                  QFileInfo(test::qtext(programFolder.path())).canonicalFilePath())
            << "the program folder is still the current folder";
        control<QLineEdit>(window, "txtMatch")->setText(QStringLiteral("写真"));
        window.close();
    }
    EXPECT_EQ(test::readText(file), "[initialize]\r\nindir=" + Settings::defaults().inDir
                                        + "\r\noutdir=" + Settings::defaults().outDir
                                        + "\r\nmatch=\x8e\xca\x90^\r\nquality=50\r\ndelcheck=0\r\nlogcheck=1\r\n");
    EXPECT_TRUE(test::listNames(programFolder.path()).empty()) << "nothing is written beside the program";

    frmMain reopened(test::qtext(programFolder.path()), location);
    EXPECT_EQ(text(reopened, "txtMatch"), QStringLiteral("写真"));
}

TEST_F(frmMainSettingsTest, StoredNumbersConvertAsSerialsDo)
{
    const char* forms[][3] = {
        {"080", "1.0", "0.0"}, {"+80", "+1", "-0"}, {"8e1", "01", "00"}, {"80.0", "0.6", "0.4"}, {" 80.5 ", "1e0", "0e0"},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(std::string("quality=") + form[0]);
        test::TempDir folder;
        test::writeSettings(folder.path(), {"[initialize]", QStringLiteral("quality=") + form[0],
                                            QStringLiteral("delcheck=") + form[1], QStringLiteral("logcheck=") + form[2]});
        frmMain window(test::qtext(folder.path()));
        EXPECT_EQ(quality(window), 80);
        EXPECT_EQ(qualityLabel(window), QStringLiteral("80"));
        EXPECT_TRUE(checked(window, "chkDel"));
        EXPECT_FALSE(checked(window, "chkLog"));
    }
}

TEST_F(frmMainSettingsTest, ValuesTheControlsCannotTakeGiveTheKeyDefaults)
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
        frmMain window(test::qtext(folder.path()));
        EXPECT_EQ(quality(window), 50);
        EXPECT_EQ(qualityLabel(window), QStringLiteral("50"));
        EXPECT_FALSE(checked(window, "chkDel"));
        EXPECT_TRUE(checked(window, "chkLog"));
    }
}

} // namespace
} // namespace pellora
