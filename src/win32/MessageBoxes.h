#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace pellora::win32 {

// The modal boxes a run puts to the user, captioned with the application
// title: a warning acknowledged with OK, and a question answered Yes (true)
// or No. Shown over `owner`, which takes no input while one is open.
struct MessageBoxes {
    std::function<void(HWND owner, const std::wstring& text)> critical;
    std::function<bool(HWND owner, const std::wstring& text)> askYesNo;

    // The system's message boxes: the error icon with OK; the question icon
    // with Yes, the default, and No.
    static MessageBoxes shown();
};

} // namespace pellora::win32
