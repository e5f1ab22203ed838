#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pellora::win32 {

// The list a run reports in, over its list box: lines in the order they come,
// tabs expanded, the newest kept in view unless the user has scrolled away
// from the end, a horizontal scroll bar once a line is wider than the box,
// and a line's detail (which file, and why it failed) as the tip shown while
// the mouse rests on it.
class ResultList {
public:
    ResultList(HWND list, HWND owner);
    ~ResultList();
    ResultList(const ResultList&) = delete;
    ResultList& operator=(const ResultList&) = delete;

    void clear();
    void append(const std::wstring& line, const std::wstring& detail);
    // After the font changed: the widths are measured again.
    void remeasure();

    int count() const;
    std::wstring line(int index) const;
    // Empty for a line without one, or an index beyond the list.
    const std::wstring& detail(int index) const;

    // The owner hands on its WM_NOTIFY: true when it was the tip asking for
    // its text.
    bool answerTip(NMHDR& header);

private:
    static LRESULT CALLBACK watchMouse(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
    bool showsTheEnd() const;
    int widthOf(const std::wstring& line) const;
    int lineUnder(LPARAM point) const;
    void createTip(HWND owner);

    HWND list_;
    HWND tip_ = nullptr;
    std::vector<std::wstring> details_;
    int widest_ = 0;
    int lineUnderMouse_ = -1;
};

} // namespace pellora::win32
