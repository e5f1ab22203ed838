#include "WindowTestKit.h"

#include "win32/WindowFont.h"
#include "win32/WindowLayout.h"

#include <commctrl.h>

namespace pellora::test {
namespace {

using win32::WindowLayout;
using win32::windowDesign::Kind;
using win32::windowDesign::kRows;

const wchar_t* classOf(Kind kind)
{
    switch (kind) {
    case Kind::TextBox: return L"Edit";
    case Kind::PushButton:
    case Kind::CheckBox: return L"Button";
    case Kind::ScrollBar: return L"ScrollBar";
    case Kind::ListBox: return L"ListBox";
    case Kind::Label:
    case Kind::ValueLabel: return L"Static";
    case Kind::ProgressBar: return L"msctls_progress32";
    }
    return L"";
}

std::wstring classNameOf(HWND window)
{
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return name;
}

bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

RECT rectOf(const win32::PixelRect& place)
{
    return RECT{place.left, place.top, place.left + place.width, place.top + place.height};
}

std::string describe(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.right - rect.left)
           + "x" + std::to_string(rect.bottom - rect.top);
}

LONG_PTR styleOf(HWND window)
{
    return GetWindowLongPtrW(window, GWL_STYLE);
}

void expectLaidOutFor(const win32::MainWindow& window, unsigned dpi)
{
    const WindowLayout layout(dpi);
    for (const auto& row : kRows) {
        SCOPED_TRACE(static_cast<int>(row.control));
        const RECT place = placeInParent(window.control(row.control));
        EXPECT_TRUE(place == rectOf(layout.place(row.control)))
            << describe(place) << " instead of " << describe(rectOf(layout.place(row.control)));
    }
    const RECT client = clientRect(window.handle());
    EXPECT_EQ(client.right, layout.clientArea().width);
    EXPECT_EQ(client.bottom, layout.clientArea().height);
}

using MainWindowLayoutTest = WindowTest;

TEST_F(MainWindowLayoutTest, EveryControlStandsWhereDesignedWithItsKindAndCaption)
{
    auto window = openWindow();
    ASSERT_EQ(GetDpiForWindow(window->handle()), 96u) << "these tests run at Wine's default scale";
    expectLaidOutFor(*window, 96);
    for (const auto& row : kRows) {
        SCOPED_TRACE(static_cast<int>(row.control));
        HWND control = window->control(row.control);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), window->handle());
        EXPECT_EQ(classNameOf(control), classOf(row.kind));
        if (row.caption != nullptr) {
            EXPECT_EQ(windowText(control), row.caption);
        }
        EXPECT_EQ((styleOf(control) & WS_TABSTOP) != 0, win32::windowDesign::takesFocus(row.kind));
        EXPECT_NE(styleOf(control) & WS_VISIBLE, 0);
    }
    EXPECT_EQ(windowText(window->control(Control::InputBrowseButton)), L"参照(&I)...");
    EXPECT_EQ(windowText(window->control(Control::MoveButton)), L"移動(&M)");
}

TEST_F(MainWindowLayoutTest, WindowHasAFixedClientAreaOnlyACloseBoxAndTheIcon)
{
    auto window = openWindow();
    HWND handle = window->handle();
    EXPECT_EQ(windowText(handle), L"Vask SS移動変換ツール - ver0.30");
    const RECT client = clientRect(handle);
    EXPECT_EQ(client.right, 448);
    EXPECT_EQ(client.bottom, 288);
    const LONG_PTR style = styleOf(handle);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << "no minimize, maximize or sizing";

    for (const auto& [which, side] : {std::pair{ICON_BIG, 32}, std::pair{ICON_SMALL, 16}}) {
        SCOPED_TRACE(side);
        const auto icon = reinterpret_cast<HICON>(SendMessageW(handle, WM_GETICON, which, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, side);
        EXPECT_EQ(bitmap.bmHeight, side);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(MainWindowLayoutTest, TabWalksTheControlsInDesignOrderStartingInTheInputBox)
{
    auto window = openWindow();
    activate(*window);
    const std::vector<Control> expected{
        Control::InputFolderBox, Control::InputBrowseButton, Control::OutputFolderBox, Control::OutputBrowseButton,
        Control::PrefixBox,      Control::QualityBar,        Control::DeleteSourcesCheck, Control::LogCheck,
        Control::ResultList,     Control::MoveButton,        Control::ExitButton,      Control::InputFolderBox};
    std::vector<Control> visited;
    auto controlWithFocus = [&window] {
        for (const auto& row : kRows)
            if (window->control(row.control) == GetFocus())
                return row.control;
        return Control::ProgressBar; // nothing of the design
    };
    visited.push_back(controlWithFocus());
    for (std::size_t i = 1; i < expected.size(); ++i) {
        pressTab(*window);
        visited.push_back(controlWithFocus());
    }
    EXPECT_EQ(visited, expected);

    pressTab(*window, true);
    EXPECT_EQ(GetFocus(), window->control(Control::ExitButton)) << "Shift+Tab goes back";
}

TEST_F(MainWindowLayoutTest, ControlsHaveTheirRangesAndNoDefaultButton)
{
    auto window = openWindow();
    int minimum = 0;
    int maximum = 0;
    GetScrollRange(window->control(Control::QualityBar), SB_CTL, &minimum, &maximum);
    EXPECT_EQ(minimum, 1);
    EXPECT_EQ(maximum, 100);
    EXPECT_NE(styleOf(window->control(Control::QualityBar)) & SBS_VERT, SBS_VERT) << "horizontal";
    EXPECT_EQ(styleOf(window->control(Control::QualityLabel)) & SS_TYPEMASK, SS_RIGHT);

    HWND list = window->control(Control::ResultList);
    EXPECT_EQ(styleOf(list) & (LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL), 0) << "unsorted, single selection";
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);

    HWND progress = window->control(Control::ProgressBar);
    PBRANGE range{};
    SendMessageW(progress, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 0);

    for (Control button : {Control::InputBrowseButton, Control::OutputBrowseButton, Control::MoveButton,
                           Control::ExitButton}) {
        SCOPED_TRACE(static_cast<int>(button));
        EXPECT_EQ(styleOf(window->control(button)) & BS_TYPEMASK, BS_PUSHBUTTON) << "not a default button";
    }
    // Enter in a box and Esc anywhere come as IDOK and IDCANCEL, and do nothing.
    activate(*window);
    SetFocus(window->control(Control::PrefixBox));
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
        pump(window.get(), std::chrono::milliseconds(100));
    }
    EXPECT_NE(window->handle(), nullptr);
    EXPECT_FALSE(window->runInProgress());
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(MainWindowLayoutTest, QualityLabelFollowsCompletedChangesOnly)
{
    auto window = openWindow();
    HWND bar = window->control(Control::QualityBar);
    auto scroll = [&](int request, int position = 0) {
        SendMessageW(window->handle(), WM_HSCROLL, MAKEWPARAM(request, position), reinterpret_cast<LPARAM>(bar));
        return text(*window, Control::QualityLabel);
    };
    EXPECT_EQ(scroll(SB_THUMBTRACK, 70), L"50") << "the label must not follow a dragged thumb";
    EXPECT_EQ(scroll(SB_THUMBPOSITION, 70), L"70");
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 70);
    EXPECT_EQ(scroll(SB_ENDSCROLL), L"70");
    EXPECT_EQ(scroll(SB_PAGERIGHT), L"80");
    EXPECT_EQ(scroll(SB_LINELEFT), L"79");
    EXPECT_EQ(scroll(SB_RIGHT), L"100");
    EXPECT_EQ(scroll(SB_LINERIGHT), L"100");
    EXPECT_EQ(scroll(SB_LEFT), L"1");
    EXPECT_EQ(scroll(SB_PAGELEFT), L"1");

    // The keys, as the bar itself turns them into the same requests.
    activate(*window);
    SetFocus(bar);
    auto press = [&](WPARAM key) {
        PostMessageW(bar, WM_KEYDOWN, key, 1);
        PostMessageW(bar, WM_KEYUP, key, 0xC0000001);
        pump(window.get(), std::chrono::milliseconds(60));
        return text(*window, Control::QualityLabel);
    };
    EXPECT_EQ(press(VK_RIGHT), L"2");
    EXPECT_EQ(press(VK_END), L"100");
    EXPECT_EQ(press(VK_PRIOR), L"90");
    EXPECT_EQ(press(VK_LEFT), L"89");
    EXPECT_EQ(press(VK_NEXT), L"99");
    EXPECT_EQ(press(VK_HOME), L"1");
    EXPECT_EQ(GetFocus(), bar) << "the arrow keys move the bar, not the focus";

    // The wheel over the bar: a notch is an arrow button, towards the user up.
    RECT place{};
    GetWindowRect(bar, &place);
    const LPARAM overTheBar = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    const auto turn = [&](UINT message, int delta, LPARAM where) {
        SendMessageW(window->handle(), message, MAKEWPARAM(0, delta), where);
        return text(*window, Control::QualityLabel);
    };
    EXPECT_EQ(turn(WM_MOUSEWHEEL, -2 * WHEEL_DELTA, overTheBar), L"3");
    EXPECT_EQ(turn(WM_MOUSEWHEEL, WHEEL_DELTA, overTheBar), L"2");
    EXPECT_EQ(turn(WM_MOUSEWHEEL, -WHEEL_DELTA / 2, overTheBar), L"2") << "half a notch is kept";
    EXPECT_EQ(turn(WM_MOUSEWHEEL, -WHEEL_DELTA / 2, overTheBar), L"3");
    EXPECT_EQ(turn(WM_MOUSEHWHEEL, WHEEL_DELTA, overTheBar), L"4") << "tilted right";
    EXPECT_EQ(turn(WM_MOUSEWHEEL, -250 * WHEEL_DELTA, overTheBar), L"100");
    EXPECT_EQ(turn(WM_MOUSEWHEEL, WHEEL_DELTA, MAKELPARAM(1, 1)), L"100") << "not over the bar";
}

// The manifest (the same in this test's executable) asks for it.
TEST_F(MainWindowLayoutTest, TheWindowIsAwareOfEachMonitorsDpi)
{
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()), DPI_AWARENESS_PER_MONITOR_AWARE);
    auto window = openWindow();
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window->handle())),
              DPI_AWARENESS_PER_MONITOR_AWARE);
}

TEST_F(MainWindowLayoutTest, EveryControlHasTheSystemsUiFontWithEveryCaptionInItsRoom)
{
    auto window = openWindow();
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window->control(Control::InputFolderBox), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW used{};
    GetObjectW(font, sizeof used, &used);
    const LOGFONTW system = win32::WindowFont::systemFont(96);
    EXPECT_STREQ(used.lfFaceName, system.lfFaceName);
    EXPECT_LE(std::abs(used.lfHeight), std::abs(system.lfHeight)) << "never larger than the system's";
    EXPECT_GE(std::abs(used.lfHeight), 10);
    for (const auto& row : kRows) {
        SCOPED_TRACE(static_cast<int>(row.control));
        HWND control = window->control(row.control);
        if (row.kind != Kind::ScrollBar) { // which draws no text and keeps no font
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), font);
        }
        if (row.kind == Kind::Label) {
            EXPECT_LE(win32::WindowFont::widthOf(font, windowText(control)), clientRect(control).right)
                << "the caption is cut off";
        }
    }
}

// On a Japanese system the UI font is a Japanese face: every character of
// the captions is in the font itself, not left to a fallback or shown as a
// box. (These tests run in Japanese; Wine without a Japanese font, or in
// another language, fails here.)
TEST_F(MainWindowLayoutTest, InJapaneseTheFontHasAGlyphForEveryCharacterOfTheCaptions)
{
    auto window = openWindow();
    HDC dc = GetDC(window->handle());
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window->control(Control::MoveButton), WM_GETFONT, 0, 0)));
    std::wstring captions = windowText(window->handle());
    for (const auto& row : kRows)
        if (row.caption != nullptr)
            captions += row.caption;
    std::vector<WORD> glyphs(captions.size());
    ASSERT_NE(GetGlyphIndicesW(dc, captions.c_str(), static_cast<int>(captions.size()), glyphs.data(),
                               GGI_MARK_NONEXISTING_GLYPHS),
              GDI_ERROR);
    for (std::size_t i = 0; i < captions.size(); ++i)
        EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for " << utf8(captions.substr(i, 1));
    wchar_t face[LF_FACESIZE]{};
    GetTextFaceW(dc, LF_FACESIZE, face);
    RecordProperty("face", utf8(face));
    SelectObject(dc, previous);
    ReleaseDC(window->handle(), dc);
}

// A monitor of another scale: the window lays itself out again for it, where
// Windows suggests, its client area the design's at that scale.
TEST_F(MainWindowLayoutTest, ADpiChangeLaysTheWindowOutAgain)
{
    auto window = openWindow();
    HWND handle = window->handle();
    const auto heightOfFont = [&] {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window->control(Control::MoveButton), WM_GETFONT, 0, 0)),
                   sizeof font, &font);
        return std::abs(font.lfHeight);
    };
    const LONG before = heightOfFont();

    SIZE asked{};
    EXPECT_TRUE(SendMessageW(handle, WM_GETDPISCALEDSIZE, 144, reinterpret_cast<LPARAM>(&asked)));
    RECT suggested{30, 40, 30 + asked.cx + 11, 40 + asked.cy + 7};
    SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    expectLaidOutFor(*window, 144);
    RECT outer{};
    GetWindowRect(handle, &outer);
    EXPECT_EQ(outer.left, 30);
    EXPECT_EQ(outer.top, 40);
    EXPECT_GT(heightOfFont(), before);

    SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    expectLaidOutFor(*window, 96);
    EXPECT_EQ(heightOfFont(), before);
}

TEST_F(MainWindowLayoutTest, AccessKeysPressTheirButtons)
{
    auto window = openWindow();
    int asked = 0;
    window->setFolderChooser([&](HWND owner) {
        EXPECT_EQ(owner, window->handle());
        return ++asked == 1 ? std::wstring(L"C:\\") : std::wstring(L"D:\\Games\\Shots");
    });
    activate(*window);
    pressAltAnd(*window, L'I');
    EXPECT_EQ(text(*window, Control::InputFolderBox), L"C:\\");
    pressAltAnd(*window, L'O');
    EXPECT_EQ(text(*window, Control::OutputFolderBox), L"D:\\Games\\Shots");
    EXPECT_EQ(asked, 2);

    int gone = 0;
    window->whenGone([&] { ++gone; });
    pressAltAnd(*window, L'X');
    EXPECT_EQ(window->handle(), nullptr) << "Alt+X closes the window";
    EXPECT_EQ(gone, 1);
    EXPECT_NE(settingsText(programFolder.path()).find("outdir=D:\\Games\\Shots\r\n"), std::string::npos);
}

TEST_F(MainWindowLayoutTest, ACancelledPickerLeavesTheBoxAsItWas)
{
    auto window = openWindow();
    window->setFolderChooser([](HWND) { return std::wstring(); });
    const std::wstring before = text(*window, Control::OutputFolderBox);
    SendMessageW(window->control(Control::OutputBrowseButton), BM_CLICK, 0, 0);
    pump(window.get(), std::chrono::milliseconds(50));
    EXPECT_EQ(text(*window, Control::OutputFolderBox), before);
}

} // namespace
} // namespace pellora::test
