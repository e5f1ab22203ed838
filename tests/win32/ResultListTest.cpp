#include "WindowTestKit.h"

#include "win32/ResultList.h"

#include <commctrl.h>

namespace pellora::test {
namespace {

// A list box of the window's size and kind, in a window of its own.
class ResultListTest : public ::testing::Test {
protected:
    ResultListTest()
    {
        owner = CreateWindowExW(0, WC_STATICW, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, nullptr,
                               WS_CHILD | WS_VISIBLE | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS | WS_VSCROLL | WS_HSCROLL,
                               4, 8, 357, 112, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    }
    ~ResultListTest() override { DestroyWindow(owner); }

    HWND owner = nullptr;
    HWND list = nullptr;
};

// The list's tip control, which the window owns.
HWND tipOf(HWND owner)
{
    std::pair<HWND, HWND> search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto& [owner, found] = *reinterpret_cast<std::pair<HWND, HWND>*>(data);
            wchar_t name[64]{};
            GetClassNameW(window, name, 64);
            if (GetWindow(window, GW_OWNER) != owner || std::wstring(name) != TOOLTIPS_CLASSW)
                return TRUE;
            found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

int topIndex(HWND list)
{
    return static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
}

TEST_F(ResultListTest, TheNewestLineStaysInViewUnlessTheUserScrolledAway)
{
    win32::ResultList results(list, owner);
    for (int i = 0; i < 30; ++i)
        results.append(L"shot" + std::to_wstring(i) + L".tga\t--->\tsshot" + std::to_wstring(i) + L".jpg", L"");
    EXPECT_EQ(results.count(), 30);
    EXPECT_GT(topIndex(list), 20) << "the end is in view";
    EXPECT_EQ(results.line(29), L"shot29.tga\t--->\tsshot29.jpg");

    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    results.append(L"one more", L"");
    EXPECT_EQ(topIndex(list), 0) << "the user's place is kept";

    results.clear();
    EXPECT_EQ(results.count(), 0);
    EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 0);
}

TEST_F(ResultListTest, ALineWiderThanTheBoxGetsAHorizontalScrollBar)
{
    win32::ResultList results(list, owner);
    results.append(L"short", L"");
    const auto narrow = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    results.append(std::wstring(200, L'写'), L"");
    const auto wide = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    EXPECT_GT(wide, clientRect(list).right);
    EXPECT_GT(wide, narrow);
}

// The tip over a line is that line's detail; a line without one has none.
TEST_F(ResultListTest, TheTipOverALineIsItsDetail)
{
    win32::ResultList results(list, owner);
    results.append(L"bad.tga\t--->\t変換失敗", L"bad.tga: ファイルが壊れています");
    results.append(L"good.tga\t--->\tsshot001.jpg", L"");
    EXPECT_EQ(results.detail(0), L"bad.tga: ファイルが壊れています");
    EXPECT_EQ(results.detail(1), L"");
    EXPECT_EQ(results.detail(7), L"");

    HWND tip = tipOf(owner);
    ASSERT_NE(tip, nullptr);
    RECT line{};
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&line));
        POINT middle{(line.left + line.right) / 2, (line.top + line.bottom) / 2};
        ClientToScreen(list, &middle);
        SetCursorPos(middle.x, middle.y);
        NMTTDISPINFOW request{};
        request.hdr.hwndFrom = tip;
        request.hdr.code = TTN_GETDISPINFOW;
        EXPECT_TRUE(results.answerTip(request.hdr));
        ASSERT_NE(request.lpszText, nullptr);
        EXPECT_EQ(std::wstring(request.lpszText), results.detail(index));
    }
    NMHDR other{};
    other.hwndFrom = list;
    other.code = TTN_GETDISPINFOW;
    EXPECT_FALSE(results.answerTip(other)) << "only its own tip's questions";
}

} // namespace
} // namespace pellora::test
