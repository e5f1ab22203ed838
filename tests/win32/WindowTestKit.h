#pragma once

#include "support/TempDir.h"
#include "win32/MainWindow.h"
#include "win32/WindowDesign.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pellora::test {

using win32::windowDesign::Control;

// Text of any window, this process's or another's.
std::wstring windowText(HWND window);
std::string utf8(std::wstring_view text);
std::wstring wide(std::string_view utf8);
std::wstring widePath(const std::filesystem::path& path);
// A control's place in its parent's client area, in pixels.
RECT placeInParent(HWND control);
RECT clientRect(HWND window);

// Turns this thread's message loop, with the window's keyboard interface,
// for `time`, or until `done` holds (false when it never did).
void pump(win32::MainWindow* window, std::chrono::milliseconds time);
// The same, but what a run sends the window waits: a run stays in progress
// for the whole time, at its next file at most.
void pumpHoldingTheRun(win32::MainWindow& window, std::chrono::milliseconds time);
bool pumpUntil(win32::MainWindow* window, const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(30));

// Keys as the keyboard sends them to the window that has the focus: the
// messages a key press leaves in the queue, for the loop to take.
// Each gives the loop of `window` a moment to take them.
void pressTab(win32::MainWindow& window, bool shift = false);
void pressAltAnd(win32::MainWindow& window, wchar_t letter);
void postAltAnd(win32::MainWindow& window, wchar_t letter); // and leaves it in the queue
void pressSpace(win32::MainWindow& window);

// Writes a settings file from lines, as a hand-edited file would look
// (UTF-8 text, which is ASCII in most tests).
void writeSettings(const std::filesystem::path& programFolder, const std::vector<std::string>& lines);
std::string settingsText(const std::filesystem::path& programFolder);

// Answers the next modal dialog of this process whose caption is `caption`
// (any when empty)
// from a thread of its own, while the test's thread is inside the call that
// shows it: records the dialog's texts, then presses the button `button`
// (IDOK, IDYES, IDNO, IDCANCEL). With `act`, that acts on the dialog first.
class ModalAnswer {
public:
    ModalAnswer(std::wstring caption, int button, std::function<void(HWND dialog)> act = {});
    ~ModalAnswer();
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    // Waits for the answer to be given; false when no such dialog came.
    bool answered();
    // The static texts the dialog showed, in the order of its children.
    std::vector<std::wstring> texts() const;
    RECT outerRect() const;
    HWND owner() const;

private:
    void watch();

    std::wstring caption_;
    int button_;
    std::function<void(HWND)> act_;
    std::vector<std::wstring> texts_;
    RECT outer_{};
    HWND owner_ = nullptr;
    bool found_ = false;
    std::thread thread_;
};

// The top-level dialog (class #32770) of this process captioned `caption`
// (any caption when empty), or null.
HWND findDialog(const std::wstring& caption);

// A temporary program folder and a window loaded from it. The window makes
// that folder the current one; the fixture puts the old one back.
class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    void TearDown() override;

    std::unique_ptr<win32::MainWindow> openWindow();
    // Shows the window, makes it the active one and gives the loop a turn.
    static void activate(win32::MainWindow& window);
    static HWND control(const win32::MainWindow& window, Control control) { return window.control(control); }
    static std::wstring text(const win32::MainWindow& window, Control control)
    {
        return windowText(window.control(control));
    }
    static HWND focused() { return GetFocus(); }
    // Turns the loop until the run of `window` has ended and the window has
    // shown all of it; fails the test after 30 seconds.
    static void waitForRunEnd(win32::MainWindow& window);

    TempDir programFolder;

private:
    std::filesystem::path previousFolder_;
};

} // namespace pellora::test
