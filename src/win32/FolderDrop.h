#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace pellora::win32 {

// Lets a folder box take a folder dropped on it from Explorer: the box then
// holds the folder's path, or for a file the path of the folder it is in.
// Typing and pasting are as in any text box. The whole text gives way to the
// path, and Undo brings it back.
class FolderDrop {
public:
    explicit FolderDrop(HWND box);
    ~FolderDrop();
    FolderDrop(const FolderDrop&) = delete;
    FolderDrop& operator=(const FolderDrop&) = delete;

    // The folder a dropped path stands for: itself if it is a folder, the
    // folder it is in if it is a file, without a trailing "\" unless a root;
    // empty text when it is neither (gone since, or not a path at all).
    static std::wstring folderFor(const std::wstring& dropped);

private:
    static LRESULT CALLBACK onMessage(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);
    void take(HDROP drop);

    HWND box_;
};

} // namespace pellora::win32
