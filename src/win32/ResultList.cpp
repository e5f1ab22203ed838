#include "win32/ResultList.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace pellora::win32 {

namespace {

constexpr UINT_PTR kMouseWatch = 1;
// Room for the box's own margins beside the widest line.
constexpr int kSideMargin = 8;
// Tips longer than this wrap, in pixels at 96 DPI.
constexpr int kTipWidth = 480;

const std::wstring kNoDetail;

} // namespace

ResultList::ResultList(HWND list, HWND owner) : list_(list)
{
    createTip(owner);
    SetWindowSubclass(list_, watchMouse, kMouseWatch, reinterpret_cast<DWORD_PTR>(this));
}

ResultList::~ResultList()
{
    RemoveWindowSubclass(list_, watchMouse, kMouseWatch);
    if (tip_ != nullptr)
        DestroyWindow(tip_);
}

// The tip covers the whole box and asks for its text each time it shows.
void ResultList::createTip(HWND owner)
{
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)), nullptr);
    if (tip_ == nullptr)
        return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(list_);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, MulDiv(kTipWidth, static_cast<int>(GetDpiForWindow(owner)), 96));
}

void ResultList::clear()
{
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, 0, 0);
    details_.clear();
    widest_ = 0;
}

void ResultList::append(const std::wstring& line, const std::wstring& detail)
{
    const bool follow = showsTheEnd();
    const LRESULT index = SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (index < 0)
        return; // out of memory: the line is lost, the run goes on
    details_.push_back(detail);
    const int width = widthOf(line);
    if (width > widest_) {
        widest_ = width;
        SendMessageW(list_, LB_SETHORIZONTALEXTENT, widest_, 0);
    }
    if (follow)
        SendMessageW(list_, LB_SETTOPINDEX, index, 0);
}

void ResultList::remeasure()
{
    widest_ = 0;
    for (int i = 0; i < count(); ++i)
        widest_ = std::max(widest_, widthOf(line(i)));
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, widest_, 0);
}

int ResultList::count() const
{
    return static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
}

std::wstring ResultList::line(int index) const
{
    const LRESULT length = SendMessageW(list_, LB_GETTEXTLEN, index, 0);
    if (length < 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
    return text;
}

const std::wstring& ResultList::detail(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= details_.size())
        return kNoDetail;
    return details_[static_cast<std::size_t>(index)];
}

// Before the line is added: is the last line in view, or the list empty?
bool ResultList::showsTheEnd() const
{
    const int lines = count();
    if (lines == 0)
        return true;
    RECT client{};
    GetClientRect(list_, &client);
    const LRESULT lineHeight = SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0);
    const int visible = lineHeight > 0 ? std::max<int>(1, (client.bottom - client.top) / static_cast<int>(lineHeight)) : 1;
    const int top = static_cast<int>(SendMessageW(list_, LB_GETTOPINDEX, 0, 0));
    return top + visible >= lines;
}

int ResultList::widthOf(const std::wstring& line) const
{
    HDC dc = GetDC(list_);
    if (dc == nullptr)
        return 0;
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    const DWORD size = GetTabbedTextExtentW(dc, line.c_str(), static_cast<int>(line.size()), 0, nullptr);
    SelectObject(dc, previous);
    ReleaseDC(list_, dc);
    return LOWORD(size) + MulDiv(kSideMargin, static_cast<int>(GetDpiForWindow(list_)), 96);
}

int ResultList::lineUnder(LPARAM point) const
{
    const LRESULT hit = SendMessageW(list_, LB_ITEMFROMPOINT, 0, point);
    if (HIWORD(hit) != 0) // outside every line
        return -1;
    return LOWORD(hit);
}

bool ResultList::answerTip(NMHDR& header)
{
    if (header.hwndFrom != tip_ || header.code != TTN_GETDISPINFOW)
        return false;
    auto& request = reinterpret_cast<NMTTDISPINFOW&>(header);
    POINT mouse{};
    GetCursorPos(&mouse);
    ScreenToClient(list_, &mouse);
    request.lpszText = const_cast<wchar_t*>(detail(lineUnder(MAKELPARAM(mouse.x, mouse.y))).c_str());
    request.hinst = nullptr;
    return true;
}

// A tip stays up as long as the mouse is in the box; moved to another line,
// it goes, so that the next shows that line's detail.
LRESULT CALLBACK ResultList::watchMouse(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self)
{
    if (message == WM_MOUSEMOVE) {
        auto& results = *reinterpret_cast<ResultList*>(self);
        const int under = results.lineUnder(lParam);
        if (under != results.lineUnderMouse_ && results.tip_ != nullptr)
            SendMessageW(results.tip_, TTM_POP, 0, 0);
        results.lineUnderMouse_ = under;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

} // namespace pellora::win32
