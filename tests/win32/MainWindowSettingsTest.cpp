#include "WindowTestKit.h"

#include "settings/Settings.h"

#include <string>

namespace pellora::test {
namespace {

const std::wstring kCaption = L"Vask SS移動変換ツール - ver0.30";

class MainWindowSettingsTest : public WindowTest {
protected:
    static int quality(const win32::MainWindow& window)
    {
        return GetScrollPos(window.control(Control::QualityBar), SB_CTL);
    }
    static bool checked(const win32::MainWindow& window, Control box)
    {
        return SendMessageW(window.control(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    static void setText(const win32::MainWindow& window, Control box, const std::wstring& text)
    {
        SetWindowTextW(window.control(box), text.c_str());
    }
    static void setChecked(const win32::MainWindow& window, Control box, bool on)
    {
        SendMessageW(window.control(box), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(GetParent(window.control(box)), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window.control(box)), BN_CLICKED),
                     reinterpret_cast<LPARAM>(window.control(box)));
    }
    static void setQuality(const win32::MainWindow& window, int value)
    {
        SendMessageW(window.handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, value),
                     reinterpret_cast<LPARAM>(window.control(Control::QualityBar)));
    }
};

TEST_F(MainWindowSettingsTest, FirstStartShowsTheDefaultsAndMovesIntoTheProgramFolder)
{
    auto window = openWindow();

    EXPECT_EQ(text(*window, Control::InputFolderBox), L"C:\\Vondrel\\Brisquel");
    EXPECT_EQ(text(*window, Control::OutputFolderBox), L"C:\\Vask_SS");
    EXPECT_EQ(text(*window, Control::PrefixBox), L"sshot");
    EXPECT_EQ(quality(*window), 50);
    EXPECT_EQ(text(*window, Control::QualityLabel), L"50");
    EXPECT_FALSE(checked(*window, Control::DeleteSourcesCheck));
    EXPECT_TRUE(checked(*window, Control::LogCheck));
    EXPECT_EQ(window->inputFolder(), L"C:\\Vondrel\\Brisquel\\");
    EXPECT_EQ(window->outputFolder(), L"C:\\Vask_SS\\");
    EXPECT_EQ(window->logPath(), L"C:\\Vask_SS\\kavlog.txt");
    EXPECT_EQ(windowText(window->handle()), kCaption);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), programFolder.path()));
    EXPECT_EQ(window->settingsFile(), programFolder.path() / "Pellora.ini") << "a writable program folder keeps them";
    EXPECT_FALSE(std::filesystem::exists(programFolder.path() / "Pellora.ini")) << "loading must not create the file";
}

TEST_F(MainWindowSettingsTest, StoredFoldersKeepTheirTextAndGainTheBackslashOnlyInMemory)
{
    writeSettings(programFolder.path(), {"[initialize]", "indir=D:\\shots\\", "outdir=D:\\out", "match=pic",
                                         "quality=80", "delcheck=1", "logcheck=0"});
    auto window = openWindow();

    EXPECT_EQ(text(*window, Control::InputFolderBox), L"D:\\shots\\");
    EXPECT_EQ(window->inputFolder(), L"D:\\shots\\") << "no second backslash";
    EXPECT_EQ(text(*window, Control::OutputFolderBox), L"D:\\out");
    EXPECT_EQ(window->outputFolder(), L"D:\\out\\");
    EXPECT_EQ(window->logPath(), L"D:\\out\\kavlog.txt");
    EXPECT_EQ(text(*window, Control::PrefixBox), L"pic");
    EXPECT_EQ(quality(*window), 80);
    EXPECT_EQ(text(*window, Control::QualityLabel), L"80");
    EXPECT_TRUE(checked(*window, Control::DeleteSourcesCheck));
    EXPECT_FALSE(checked(*window, Control::LogCheck));

    EXPECT_TRUE(window->close());
    EXPECT_EQ(settingsText(programFolder.path()), "[initialize]\r\nindir=D:\\shots\\\r\noutdir=D:\\out\r\nmatch=pic\r\n"
                                                  "quality=80\r\ndelcheck=1\r\nlogcheck=0\r\n");
}

TEST_F(MainWindowSettingsTest, CloseBoxAndExitButtonWriteTheSameSevenLines)
{
    const std::string expected = "[initialize]\r\nindir=E:\\games\\in\r\noutdir=E:\\games\\out\r\nmatch=shot_\r\n"
                                 "quality=73\r\ndelcheck=1\r\nlogcheck=0\r\n";
    for (bool byExitButton : {false, true}) {
        SCOPED_TRACE(byExitButton ? "exit button" : "close box");
        TempDir folder;
        win32::MainWindow window(GetModuleHandleW(nullptr), folder.path());
        setText(window, Control::InputFolderBox, L"E:\\games\\in");
        setText(window, Control::OutputFolderBox, L"E:\\games\\out");
        setText(window, Control::PrefixBox, L"shot_");
        setQuality(window, 73);
        setChecked(window, Control::DeleteSourcesCheck, true);
        setChecked(window, Control::LogCheck, false);
        int gone = 0;
        window.whenGone([&] { ++gone; });
        window.show(SW_SHOWNORMAL);
        if (byExitButton)
            SendMessageW(window.control(Control::ExitButton), BM_CLICK, 0, 0);
        else
            SendMessageW(window.handle(), WM_CLOSE, 0, 0);
        EXPECT_EQ(window.handle(), nullptr);
        EXPECT_EQ(gone, 1) << "the program ends with its window";
        EXPECT_EQ(settingsText(folder.path()), expected);
        std::filesystem::current_path(folder.path().parent_path());
    }
}

// A program folder that takes no file: the settings live in the user's
// folder, whose folders the first close creates.
TEST_F(MainWindowSettingsTest, SettingsOutsideTheProgramFolderAreCreatedThereInCodePage932)
{
    TempDir appData;
    const std::filesystem::path file = appData.path() / "Pellora" / "Pellora.ini";
    const SettingsLocation location(file, SettingsLocation::Place::UserConfigFolder);
    {
        win32::MainWindow window(GetModuleHandleW(nullptr), programFolder.path(), location);
        EXPECT_EQ(window.settingsFile(), file);
        EXPECT_EQ(text(window, Control::PrefixBox), L"sshot");
        EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), programFolder.path()))
            << "the program folder is still the current folder";
        setText(window, Control::PrefixBox, L"写真");
        EXPECT_TRUE(window.close());
    }
    EXPECT_EQ(readText(file), "[initialize]\r\nindir=C:\\Vondrel\\Brisquel\r\noutdir=C:\\Vask_SS\r\n"
                              "match=\x8e\xca\x90^\r\nquality=50\r\ndelcheck=0\r\nlogcheck=1\r\n");
    EXPECT_TRUE(listNames(programFolder.path()).empty()) << "nothing is written beside the program";

    win32::MainWindow reopened(GetModuleHandleW(nullptr), programFolder.path(), location);
    EXPECT_EQ(text(reopened, Control::PrefixBox), L"写真");
}

TEST_F(MainWindowSettingsTest, StoredNumbersConvertAsSerialsDoAndBadOnesGiveTheDefaults)
{
    struct Case {
        const char* quality;
        const char* delcheck;
        const char* logcheck;
        int shownQuality;
        bool deleteSources;
        bool log;
    };
    const Case cases[] = {
        {"080", "1.0", "0.0", 80, true, false},     {"+80", "+1", "-0", 80, true, false},
        {"8e1", "01", "00", 80, true, false},       {"80.0", "0.6", "0.4", 80, true, false},
        {" 80.5 ", "1e0", "0e0", 80, true, false},  {"0", "2", "2", 50, false, true},
        {"101", "-1", "7", 50, false, true},        {"abc", "x", "", 50, false, true},
        {"100.6", "0.5e9", "99999", 50, false, true}, {"-50", "", "abc", 50, false, true},
    };
    for (const Case& stored : cases) {
        SCOPED_TRACE(std::string("quality=") + stored.quality);
        TempDir folder;
        writeSettings(folder.path(), {"[initialize]", std::string("quality=") + stored.quality,
                                      std::string("delcheck=") + stored.delcheck,
                                      std::string("logcheck=") + stored.logcheck});
        win32::MainWindow window(GetModuleHandleW(nullptr), folder.path());
        EXPECT_EQ(quality(window), stored.shownQuality);
        EXPECT_EQ(text(window, Control::QualityLabel), std::to_wstring(stored.shownQuality));
        EXPECT_EQ(checked(window, Control::DeleteSourcesCheck), stored.deleteSources);
        EXPECT_EQ(checked(window, Control::LogCheck), stored.log);
        std::filesystem::current_path(folder.path().parent_path());
    }
}

} // namespace
} // namespace pellora::test
