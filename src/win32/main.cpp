#include "platform/ProgramFolder.h"
#include "win32/ComApartment.h"
#include "win32/MainWindow.h"

#include <windows.h>
#include <commctrl.h>

#include <exception>

namespace {

// Until the window goes. The dialog manager has the first look at every
// message, for Tab, the access keys and the like.
int runMessageLoop(pellora::win32::MainWindow& window)
{
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got < 0)
            return 1;
        if (!window.handleKeys(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    const pellora::win32::ComApartment apartment;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        pellora::win32::MainWindow window(instance, pellora::programFolder());
        window.whenGone([] { PostQuitMessage(0); });
        window.show(show);
        return runMessageLoop(window);
    } catch (const std::exception&) {
        MessageBoxW(nullptr, L"ウィンドウを開けませんでした。", L"Pellora", MB_OK | MB_ICONERROR);
        return 1;
    }
}
