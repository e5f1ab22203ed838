#include "WindowTestKit.h"

#include "batch/BatchRun.h"
#include "batch/InFlightConversions.h"
#include "platform/text/Cp932.h"
#include "support/JpegProbe.h"

#include <commctrl.h>

#include <algorithm>
#include <thread>

namespace pellora::test {
namespace {

// Runs `action` each time a run of `window` adds a line to its list, until
// it returns true. The run waits for the window before its next file, so
// whatever `action` does there reaches the run before that file: this is how
// a test acts mid-run.
class DuringRun {
public:
    DuringRun(win32::MainWindow& window, std::function<bool()> action)
        : window_(window), list_(window.control(Control::ResultList)), action_(std::move(action))
    {
        SetWindowSubclass(list_, onListMessage, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~DuringRun() { RemoveWindowSubclass(list_, onListMessage, 1); }
    DuringRun(const DuringRun&) = delete;
    DuringRun& operator=(const DuringRun&) = delete;

private:
    static LRESULT CALLBACK onListMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data)
    {
        const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
        auto& self = *reinterpret_cast<DuringRun*>(data);
        // Not again from inside itself: `action` may turn the message loop.
        if (message == LB_ADDSTRING && !self.done_ && !self.acting_ && self.window_.runInProgress()) {
            self.acting_ = true;
            self.done_ = self.action_();
            self.acting_ = false;
        }
        return result;
    }

    win32::MainWindow& window_;
    HWND list_;
    std::function<bool()> action_;
    bool done_ = false;
    bool acting_ = false;
};

class MainWindowRunTest : public WindowTest {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(in());
        std::filesystem::create_directory(out());
        window = openWindow();
        SetWindowTextW(control(*window, Control::InputFolderBox), widePath(in()).c_str());
        SetWindowTextW(control(*window, Control::OutputFolderBox), widePath(out()).c_str());
        activate(*window);
    }

    void TearDown() override
    {
        window.reset();
        WindowTest::TearDown();
    }

    std::filesystem::path in() const { return work / "in"; }
    std::filesystem::path out() const { return work / "out"; }

    void addSources(int count)
    {
        for (int i = 0; i < count; ++i)
            writeGameTga(in() / ("shot" + std::to_string(i) + ".tga"), samplePicture(16, 8, i));
    }

    void pressAltM()
    {
        pressAltAnd(*window, L'M');
        waitForRunEnd(*window);
    }

    std::vector<std::wstring> listLines() const
    {
        HWND list = control(*window, Control::ResultList);
        std::vector<std::wstring> lines;
        const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
            line.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
            lines.push_back(line);
        }
        return lines;
    }

    std::string logText() const { return cp932::decode(readText(out() / "kavlog.txt")).value(); }

    // What the window's cursor is over the client area.
    HCURSOR cursorOverWindow() const
    {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        SendMessageW(window->handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window->handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    }

    static unsigned jobs() { return std::max(1u, std::thread::hardware_concurrency()); }
    static std::size_t inFlightLimit() { return InFlightConversions::limitFor(jobs()); }

    TempDir work;
    std::unique_ptr<win32::MainWindow> window;
};

TEST_F(MainWindowRunTest, AltMConvertsEveryFileAndReportsEachInTheList)
{
    addSources(3);
    HWND move = control(*window, Control::MoveButton);
    bool sawDisabledButton = false;
    bool sawBusyCursor = false;
    DuringRun observe(*window, [&] {
        sawDisabledButton = !IsWindowEnabled(move);
        sawBusyCursor = cursorOverWindow() == LoadCursorW(nullptr, IDC_WAIT);
        return true;
    });

    pressAltM();

    EXPECT_TRUE(sawDisabledButton);
    EXPECT_TRUE(sawBusyCursor);
    const auto lines = listLines();
    ASSERT_EQ(lines.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const std::string serialName = "sshot00" + std::to_string(i + 1) + ".jpg";
        EXPECT_EQ(lines[i], L"shot" + std::to_wstring(i) + L".tga\t--->\t" + wide(serialName));
        const auto picture = decodeJpegFile(out() / serialName);
        ASSERT_TRUE(picture.has_value()) << serialName;
        EXPECT_EQ(picture->width, 16);
    }
    HWND progress = control(*window, Control::ProgressBar);
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, FALSE, 0), 3);
    EXPECT_TRUE(IsWindowEnabled(move));
    EXPECT_EQ(cursorOverWindow(), LoadCursorW(nullptr, IDC_ARROW)) << "the hourglass must go after the run";
    EXPECT_TRUE(std::filesystem::exists(out() / "kavlog.txt"));
    EXPECT_EQ(window->outputFolder(), widePath(out()) + L"\\");
}

// Whatever way a start comes, and whenever it is handled: the run is held
// at its next file while the window takes the attempts in.
TEST_F(MainWindowRunTest, ASecondStartDuringARunDoesNothing)
{
    addSources(4);
    int attempts = 0;
    DuringRun startAgain(*window, [&] {
        SendMessageW(control(*window, Control::MoveButton), BM_CLICK, 0, 0);
        postAltAnd(*window, L'M');
        window->startRun();
        pumpHoldingTheRun(*window, std::chrono::milliseconds(150));
        EXPECT_TRUE(window->runInProgress());
        return ++attempts == 2;
    });

    pressAltM();
    pump(window.get(), std::chrono::milliseconds(200));

    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(listLines().size(), 4u);
    EXPECT_EQ(listNames(out()), (std::vector<std::string>{"kavlog.txt", "sshot001.jpg", "sshot002.jpg", "sshot003.jpg",
                                                          "sshot004.jpg"}));
    EXPECT_FALSE(BatchRun::inProgress());
}

TEST_F(MainWindowRunTest, SpaceOnTheMoveButtonRunsAndTheFocusComesBackToIt)
{
    addSources(1);
    HWND move = control(*window, Control::MoveButton);
    SetFocus(move);
    HWND focusDuringRun = nullptr;
    DuringRun observe(*window, [&] {
        focusDuringRun = GetFocus();
        return true;
    });
    pressSpace(*window);
    waitForRunEnd(*window);
    EXPECT_EQ(listLines().size(), 1u);
    EXPECT_EQ(focusDuringRun, control(*window, Control::ExitButton)) << "the disabled button gives the focus on";
    EXPECT_EQ(GetFocus(), move);
}

TEST_F(MainWindowRunTest, ClosingDuringARunStopsItAtTheNextFileWithoutLosingAnything)
{
    const int sources = 3 * static_cast<int>(jobs()) + 3;
    addSources(sources);
    SendMessageW(control(*window, Control::DeleteSourcesCheck), BM_CLICK, 0, 0);
    bool closedAtOnce = true;
    int gone = 0;
    window->whenGone([&] { ++gone; });
    DuringRun closeAfterFirstFile(*window, [&] {
        closedAtOnce = window->close();
        return true;
    });

    pressAltM();

    EXPECT_FALSE(closedAtOnce) << "the window must wait for the run to stop";
    EXPECT_EQ(window->handle(), nullptr);
    EXPECT_EQ(gone, 1);
    EXPECT_FALSE(window->runInProgress());
    EXPECT_NE(settingsText(programFolder.path()).find("delcheck=1\r\n"), std::string::npos);

    // Every JPEG is whole, nothing else was left behind, and every deleted
    // source has its JPEG.
    int jpegs = 0;
    for (const auto& name : listNames(out())) {
        if (name == "kavlog.txt")
            continue;
        ASSERT_EQ(name.substr(0, 5), "sshot") << name;
        EXPECT_TRUE(decodeJpegFile(out() / name).has_value()) << name;
        ++jpegs;
    }
    EXPECT_GE(jpegs, 1);
    EXPECT_LE(static_cast<std::size_t>(jpegs), inFlightLimit()) << "the run went on after the close";
    EXPECT_EQ(static_cast<int>(listNames(in()).size()) + jpegs, sources);
    EXPECT_NE(logText().find("---処理終了---"), std::string::npos) << logText();
}

TEST_F(MainWindowRunTest, AWindowDestroyedDuringARunWaitsForTheRunToStop)
{
    const int sources = 10 * static_cast<int>(jobs()) + 10;
    addSources(sources);
    bool firstLineShown = false;
    DuringRun noteTheFirstLine(*window, [&] { return firstLineShown = true; });
    pressAltAnd(*window, L'M');
    ASSERT_TRUE(pumpUntil(window.get(), [&] { return firstLineShown; }));

    window.reset();

    EXPECT_FALSE(BatchRun::inProgress());
    EXPECT_NE(logText().find("---処理終了---"), std::string::npos) << logText();
    const auto names = listNames(out());
    EXPECT_LT(names.size(), static_cast<std::size_t>(sources) + 1) << "the run went on after the window went";
}

// The question is the system's message box over the window, answered here
// as a user would; the run waits for the answer.
TEST_F(MainWindowRunTest, TheQuestionForAMissingOutputFolderIsAMessageBoxOverTheWindow)
{
    addSources(1);
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        std::filesystem::remove_all(out());
        ModalAnswer box(L"Pellora", answer);
        pressAltM();
        ASSERT_TRUE(box.answered()) << "no question was asked";
        const auto texts = box.texts();
        EXPECT_NE(std::find(texts.begin(), texts.end(), L"コピー先フォルダが無効です。\r\n新しく作成しますか？"), texts.end())
            << (texts.empty() ? std::string() : utf8(texts.back()));
        EXPECT_EQ(box.owner(), window->handle()) << "modal over the window";
        if (answer == IDNO) {
            EXPECT_EQ(GetFocus(), control(*window, Control::OutputFolderBox));
            EXPECT_FALSE(std::filesystem::exists(out()));
            EXPECT_TRUE(listLines().empty());
        } else {
            EXPECT_EQ(listLines(), std::vector<std::wstring>{L"shot0.tga\t--->\tsshot001.jpg"});
            EXPECT_TRUE(std::filesystem::exists(out() / "sshot001.jpg"));
        }
    }
}

// A value the run refuses is told in the system's error box over the window,
// and the focus goes to the box that holds it.
TEST_F(MainWindowRunTest, ARefusedValueIsToldInAnErrorBoxAndTheFocusGoesToItsBox)
{
    struct Case {
        Control box;
        std::wstring value;
        std::wstring told;
    };
    const Case cases[] = {
        {Control::InputFolderBox, widePath(work / "nowhere"), L"コピー元フォルダが無効です。"},
        {Control::PrefixBox, L"sub\\shot", L"ファイル名が無効です。"},
    };
    addSources(1);
    for (const Case& refused : cases) {
        SCOPED_TRACE(utf8(refused.told));
        const std::wstring before = text(*window, refused.box);
        SetWindowTextW(control(*window, refused.box), refused.value.c_str());
        SetFocus(control(*window, Control::LogCheck));
        ModalAnswer box(L"Pellora", IDOK);

        pressAltM();

        ASSERT_TRUE(box.answered());
        const auto texts = box.texts();
        EXPECT_NE(std::find(texts.begin(), texts.end(), refused.told), texts.end());
        EXPECT_EQ(box.owner(), window->handle());
        EXPECT_EQ(GetFocus(), control(*window, refused.box));
        EXPECT_TRUE(IsWindowEnabled(control(*window, Control::MoveButton)));
        const auto names = listNames(out());
        EXPECT_TRUE(std::none_of(names.begin(), names.end(), [](const std::string& name) { return name.ends_with(".jpg"); }))
            << "nothing converted";
        SetWindowTextW(control(*window, refused.box), before.c_str());
    }
}

// Windows ends the program as soon as the window has answered: the run
// stops at its next file and ends through its end line, and the settings
// are saved first.
TEST_F(MainWindowRunTest, TheEndOfTheSessionStopsTheRunAndSavesTheSettings)
{
    const int sources = 10 * static_cast<int>(jobs()) + 10;
    addSources(sources);
    SetWindowTextW(control(*window, Control::PrefixBox), L"ended_");
    bool ended = false;
    DuringRun endTheSession(*window, [&] {
        SendMessageW(window->handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        ended = true;
        return true;
    });
    pressAltAnd(*window, L'M');
    ASSERT_TRUE(pumpUntil(window.get(), [&] { return ended; }));

    EXPECT_FALSE(BatchRun::inProgress()) << "the run must be over when the window answers";
    EXPECT_NE(logText().find("---処理終了---"), std::string::npos) << logText();
    EXPECT_LT(listNames(out()).size(), static_cast<std::size_t>(sources) + 1);
    EXPECT_NE(settingsText(programFolder.path()).find("match=ended_\r\n"), std::string::npos);
}

} // namespace
} // namespace pellora::test
