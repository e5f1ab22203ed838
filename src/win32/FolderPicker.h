#pragma once

#include <windows.h>

#include <string>

namespace pellora::win32 {

// The folder picker behind the two browse buttons: the shell's folder dialog,
// modal over the window, "フォルダの選択" written above its tree, rooted at the
// desktop, centred on the screen and opening at "C:\" whatever the box holds.
class FolderPicker {
public:
    static constexpr const wchar_t* kTitle = L"フォルダの選択";
    static constexpr const wchar_t* kStartFolder = L"C:\\";

    // The chosen folder's path, without a trailing "\" unless it is a root
    // ("D:\"); empty text on Cancel or for something that is not a folder of
    // the file system (the computer, the control panel).
    static std::wstring choose(HWND owner);

    // Top left corner of a dialog standing in the middle of a screen of that
    // size. The screen's size may be fractional (a runtime that reports it in
    // other units divided by a scale); halves go to the even neighbour.
    static POINT centredOnScreen(double screenWidth, double screenHeight, int dialogWidth, int dialogHeight);

private:
    static int CALLBACK onDialogEvent(HWND dialog, UINT message, LPARAM parameter, LPARAM startFolder);
    static void centre(HWND dialog);
};

} // namespace pellora::win32
