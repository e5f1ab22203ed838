#include "win32/FolderDrop.h"

#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>

namespace pellora::win32 {

namespace {

constexpr UINT_PTR kDropSubclass = 1;

// Without "." and ".." parts or a separator at the end; a root keeps its own.
std::wstring folderText(const std::filesystem::path& folder)
{
    std::filesystem::path cleaned = folder.lexically_normal();
    if (!cleaned.has_filename() && cleaned.has_relative_path())
        cleaned = cleaned.parent_path();
    return cleaned.native();
}

} // namespace

FolderDrop::FolderDrop(HWND box) : box_(box)
{
    SetWindowSubclass(box_, onMessage, kDropSubclass, reinterpret_cast<DWORD_PTR>(this));
    DragAcceptFiles(box_, TRUE);
}

FolderDrop::~FolderDrop()
{
    if (!IsWindow(box_))
        return;
    DragAcceptFiles(box_, FALSE);
    RemoveWindowSubclass(box_, onMessage, kDropSubclass);
}

std::wstring FolderDrop::folderFor(const std::wstring& dropped)
{
    const std::filesystem::path path(dropped);
    if (dropped.empty() || !path.is_absolute())
        return {};
    const DWORD attributes = GetFileAttributesW(dropped.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return folderText(path);
    return folderText(path.lexically_normal().parent_path());
}

// Only the first of several dropped items counts, as only one path fits.
void FolderDrop::take(HDROP drop)
{
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring dropped(length + 1, L'\0');
    if (length > 0 && DragQueryFileW(drop, 0, dropped.data(), length + 1) == length) {
        dropped.resize(length);
        const std::wstring folder = folderFor(dropped);
        if (!folder.empty()) {
            SendMessageW(box_, EM_SETSEL, 0, -1);
            SendMessageW(box_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        }
    }
    DragFinish(drop);
}

LRESULT CALLBACK FolderDrop::onMessage(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    if (message == WM_DROPFILES) {
        reinterpret_cast<FolderDrop*>(data)->take(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

} // namespace pellora::win32
