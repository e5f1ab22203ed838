#include "win32/FolderPicker.h"

#include <objbase.h>
#include <shlobj.h>

#include <cmath>
#include <memory>

namespace pellora::win32 {

namespace {

// What the dialog returns belongs to us.
struct ItemListDeleter {
    void operator()(PIDLIST_ABSOLUTE list) const { CoTaskMemFree(list); }
};
using ItemList = std::unique_ptr<std::remove_pointer_t<PIDLIST_ABSOLUTE>, ItemListDeleter>;

// Long enough for the longest path Windows can hand out.
constexpr DWORD kLongestPath = 32768;

// Spelled out rather than left to std::nearbyint, whose result depends on the
// floating-point rounding mode some other code may have changed.
int roundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    return static_cast<int>(rounded);
}

std::wstring pathOf(PCIDLIST_ABSOLUTE list)
{
    std::wstring path(kLongestPath, L'\0');
    if (!SHGetPathFromIDListEx(list, path.data(), kLongestPath, GPFIDL_DEFAULT))
        return {};
    path.resize(wcsnlen(path.c_str(), path.size()));
    return path;
}

} // namespace

std::wstring FolderPicker::choose(HWND owner)
{
    // The dialog reads the start folder through the callback while it is open.
    const wchar_t* startFolder = kStartFolder;
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr; // the desktop
    browse.lpszTitle = kTitle;
    browse.ulFlags = 0;
    browse.lpfn = onDialogEvent;
    browse.lParam = reinterpret_cast<LPARAM>(startFolder);
    const ItemList chosen(SHBrowseForFolderW(&browse));
    if (!chosen)
        return {};
    return pathOf(chosen.get());
}

int CALLBACK FolderPicker::onDialogEvent(HWND dialog, UINT message, LPARAM, LPARAM startFolder)
{
    if (message == BFFM_INITIALIZED) {
        centre(dialog);
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, startFolder);
    }
    return 0;
}

// On the monitor the window is on; with one monitor, the whole screen.
void FolderPicker::centre(HWND dialog)
{
    RECT outer{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!GetWindowRect(dialog, &outer)
        || !GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return;
    const RECT& screen = monitor.rcMonitor;
    const POINT corner = centredOnScreen(screen.right - screen.left, screen.bottom - screen.top,
                                         outer.right - outer.left, outer.bottom - outer.top);
    SetWindowPos(dialog, nullptr, screen.left + corner.x, screen.top + corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

POINT FolderPicker::centredOnScreen(double screenWidth, double screenHeight, int dialogWidth, int dialogHeight)
{
    return POINT{roundHalfToEven((screenWidth - dialogWidth) / 2.0), roundHalfToEven((screenHeight - dialogHeight) / 2.0)};
}

} // namespace pellora::win32
