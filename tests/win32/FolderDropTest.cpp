#include "WindowTestKit.h"

#include "win32/FolderDrop.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

namespace pellora::test {
namespace {

using win32::FolderDrop;

TEST(FolderDropTest, ADroppedItemStandsForItsFolder)
{
    TempDir work;
    std::filesystem::create_directory(work / "shots");
    writeBytes(work / "shots" / "a.tga", {1, 2, 3});
    const std::wstring root = widePath(work.path());
    struct Case {
        std::wstring dropped;
        std::wstring folder;
    };
    const Case cases[] = {
        {root + L"\\shots", root + L"\\shots"},
        {root + L"\\shots\\", root + L"\\shots"},
        {root + L"\\shots\\.\\", root + L"\\shots"},
        {root + L"\\shots\\a.tga", root + L"\\shots"},
        {L"C:\\", L"C:\\"},
        {root + L"\\gone", L""},
        {L"shots", L""}, // not a path of its own
        {L"", L""},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(utf8(each.dropped));
        EXPECT_EQ(FolderDrop::folderFor(each.dropped), each.folder);
    }
}

// What Explorer hands a window when something is dropped on it.
HDROP dropOf(const std::wstring& path)
{
    const std::size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), path.c_str(), path.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

using FolderDropWindowTest = WindowTest;

TEST_F(FolderDropWindowTest, AFolderDroppedOnAFolderBoxReplacesItsTextAndUndoBringsItBack)
{
    TempDir work;
    std::filesystem::create_directory(work / "shots");
    writeBytes(work / "shots" / "b.tga", {1});
    auto window = openWindow();
    HWND input = window->control(Control::InputFolderBox);
    HWND output = window->control(Control::OutputFolderBox);
    EXPECT_NE(GetWindowLongPtrW(input, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
    EXPECT_NE(GetWindowLongPtrW(output, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
    EXPECT_EQ(GetWindowLongPtrW(window->control(Control::PrefixBox), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);

    const std::wstring before = windowText(output);
    PostMessageW(output, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(widePath(work / "shots"))), 0);
    pump(window.get(), std::chrono::milliseconds(50));
    EXPECT_EQ(windowText(output), widePath(work / "shots"));
    SendMessageW(output, EM_UNDO, 0, 0);
    EXPECT_EQ(windowText(output), before);

    PostMessageW(input, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(widePath(work / "shots" / "b.tga"))), 0);
    pump(window.get(), std::chrono::milliseconds(50));
    EXPECT_EQ(windowText(input), widePath(work / "shots")) << "a file stands for its folder";

    PostMessageW(input, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(widePath(work / "gone"))), 0);
    pump(window.get(), std::chrono::milliseconds(50));
    EXPECT_EQ(windowText(input), widePath(work / "shots")) << "nothing there: the box keeps its text";
}

} // namespace
} // namespace pellora::test
