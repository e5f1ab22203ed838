#include "WindowTestKit.h"

#include "win32/FolderPicker.h"

#include <commctrl.h>

namespace pellora::test {
namespace {

using win32::FolderPicker;

TEST(FolderPickerTest, TheDialogStandsInTheMiddleOfTheScreenHalvesGoingToEven)
{
    struct Case {
        double screenWidth, screenHeight;
        int dialogWidth, dialogHeight;
        LONG x, y;
    };
    const Case cases[] = {
        {1024, 768, 320, 340, 352, 214},
        {1024, 768, 315, 340, 354, 214}, // 354.5
        {1024, 768, 317, 341, 354, 214}, // 353.5 and 213.5
        {1024, 768, 319, 339, 352, 214}, // 352.5 and 214.5
        {1366.5, 768, 320, 340, 523, 214}, // 523.25: a screen of fractional size
        {300, 200, 320, 340, -10, -70},    // larger than the screen
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(std::to_string(each.dialogWidth) + "x" + std::to_string(each.dialogHeight));
        const POINT corner =
            FolderPicker::centredOnScreen(each.screenWidth, each.screenHeight, each.dialogWidth, each.dialogHeight);
        EXPECT_EQ(corner.x, each.x);
        EXPECT_EQ(corner.y, each.y);
    }
}

// The text of the item the dialog's tree has selected.
std::wstring selectedInTree(HWND dialog)
{
    HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
    if (tree == nullptr)
        return L"(no tree)";
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    wchar_t text[260]{};
    TVITEMW query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = 260;
    if (item == nullptr || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)))
        return L"(nothing)";
    return text;
}

using FolderPickerDialogTest = WindowTest;

// The shell's own dialog, over the window: its title line, where it stands,
// and what it opens at and gives back, twice in a row.
TEST_F(FolderPickerDialogTest, TheShellsDialogOpensCentredAtTheFirstDriveAndGivesItsRoot)
{
    auto window = openWindow();
    activate(*window);
    for (int time = 1; time <= 2; ++time) {
        SCOPED_TRACE(time);
        std::wstring selected;
        ModalAnswer dialog(L"", IDOK, [&](HWND open) { selected = selectedInTree(open); });
        EXPECT_EQ(FolderPicker::choose(window->handle()), L"C:\\");
        ASSERT_TRUE(dialog.answered());
        const auto texts = dialog.texts();
        EXPECT_NE(std::find(texts.begin(), texts.end(), L"フォルダの選択"), texts.end());
        EXPECT_NE(selected.find(L"C:"), std::wstring::npos) << utf8(selected);
        EXPECT_EQ(dialog.owner(), window->handle());
        const RECT outer = dialog.outerRect();
        const POINT corner = FolderPicker::centredOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                                           outer.right - outer.left, outer.bottom - outer.top);
        EXPECT_EQ(outer.left, corner.x);
        EXPECT_EQ(outer.top, corner.y);
    }
}

TEST_F(FolderPickerDialogTest, CancelGivesNothingAndTheBrowseButtonLeavesItsBox)
{
    auto window = openWindow();
    activate(*window);
    const std::wstring before = text(*window, Control::InputFolderBox);
    ModalAnswer dialog(L"", IDCANCEL);
    SendMessageW(window->control(Control::InputBrowseButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(dialog.answered());
    EXPECT_EQ(text(*window, Control::InputFolderBox), before);

    ModalAnswer accepted(L"", IDOK);
    SendMessageW(window->control(Control::OutputBrowseButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(accepted.answered());
    EXPECT_EQ(text(*window, Control::OutputFolderBox), L"C:\\") << "the root of drive C as the picker gives it";
    EXPECT_EQ(text(*window, Control::InputFolderBox), before);
}

} // namespace
} // namespace pellora::test
