#pragma once

#include "settings/SettingsLocation.h"
#include "batch/LiveRunOptions.h"
#include "win32/MessageBoxes.h"
#include "win32/QualityBar.h"
#include "win32/RunView.h"
#include "win32/WindowBatchHost.h"
#include "win32/WindowDesign.h"

#include <windows.h>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pellora::win32 {

class FolderDrop;
class ResultList;
class WindowFont;
class WindowLayout;
class WindowRunController;

// The program's only window: the folders, prefix, quality and options of a
// run, the button that starts it, and the list and bar in which it reports.
// Loading reads the settings file (SettingsLocation says where); every close
// writes it. Laid out from the design in twips for the DPI of the monitor it
// is on, again whenever that changes.
class MainWindow : private RunView {
public:
    // Asks the user for a folder: the path accepted, empty on Cancel.
    using FolderChooser = std::function<std::wstring(HWND owner)>;
    // Sent by the window's thread to itself when a run has something to show.
    static constexpr UINT kRunMessage = WM_APP + 1;

    // programFolder becomes the current folder and decides where the settings
    // live. The window is created hidden; throws when Windows refuses it.
    MainWindow(HINSTANCE instance, const std::filesystem::path& programFolder);
    MainWindow(HINSTANCE instance, const std::filesystem::path& programFolder, SettingsLocation settings);
    // A run still going stops at its next file; the window waits for it. The
    // settings are saved only by a close.
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The folder dialog and the message boxes, unless a test answers instead.
    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    void setMessageBoxes(MessageBoxes boxes) { boxes_ = std::move(boxes); }
    // Called once the window has gone (closed, its settings saved): the
    // program ends there.
    void whenGone(std::function<void()> gone) { gone_ = std::move(gone); }

    void show(int how);
    // The window's keyboard interface for a message the loop took: Tab and
    // Shift+Tab, the access keys, Space on a focused button. True when the
    // message was handled so.
    bool handleKeys(MSG& message);

    // Null once the window has gone.
    HWND handle() const { return window_; }
    HWND control(windowDesign::Control control) const;
    std::filesystem::path settingsFile() const { return settings_.file(); }
    static std::wstring caption();

    // The folders and the log as the last run took them (before the first,
    // as loaded), with a "\" at the end of each folder.
    std::wstring inputFolder() const;
    std::wstring outputFolder() const;
    std::wstring logPath() const;

    // From Move until the run has ended and the window has shown all of it.
    bool runInProgress() const;

    void startRun();
    // Closing always goes through. During a run it waits for the run to stop
    // at its next file, so that no conversion is cut off and the run never
    // reports to a window that has gone; the settings are saved as the window
    // goes. False when the close waits for the run.
    bool close();

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static ATOM windowClass(HINSTANCE instance);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(int id, int notification);
    void onScroll(int request, int position);
    bool onWheel(int delta, bool tilted, LPARAM screenPoint);
    void onActivate(bool active);
    void restoreFocus();
    bool onSetCursor();
    void onDpiChanged(unsigned dpi, const RECT& suggested);
    void endSession();
    void gone();

    void createControls();
    HWND createControl(const windowDesign::Row& row);
    void applyDpi(unsigned dpi);
    void fitClientArea(const WindowLayout& layout);
    void applyIcons(unsigned dpi);
    SIZE outerSize(unsigned dpi) const;

    void loadSettings();
    void saveSettings();
    void takeFromBoxes();
    void showQuality();
    void publishOptions();
    void browseInto(windowDesign::Control box);
    std::wstring textOf(windowDesign::Control control) const;
    void setText(windowDesign::Control control, const std::wstring& text);
    bool checked(windowDesign::Control box) const;
    void setChecked(windowDesign::Control box, bool on);

    // RunView
    void clearList() override;
    void addLine(const std::wstring& line, const std::wstring& detail) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void showBusy(bool busy) override;
    void focusBox(UserQuestions::Field field) override;
    void showCritical(const std::wstring& text) override;
    bool askYesNo(const std::wstring& text) override;
    void runFinished() override;

    std::filesystem::path programFolder_;
    SettingsLocation settings_;
    FolderChooser chooser_;
    MessageBoxes boxes_;
    std::function<void()> gone_;

    HWND window_ = nullptr;
    std::array<HWND, windowDesign::kControlCount> controls_{};
    std::unique_ptr<WindowFont> font_;
    struct IconDeleter {
        void operator()(HICON icon) const { DestroyIcon(icon); }
    };
    std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter> bigIcon_, smallIcon_;
    QualityBar quality_;
    std::unique_ptr<ResultList> results_;
    std::array<std::unique_ptr<FolderDrop>, 2> drops_;

    // What the last run was started with; before the first, what was loaded.
    WindowBatchHost::Start taken_;

    bool closeWhenRunEnds_ = false;
    bool busy_ = false;
    // The control that had the focus when the window was last active.
    HWND lastFocus_ = nullptr;
    // Whether the Move button had the focus when the run started, and where
    // disabling it sent the focus: the focus goes back when the run ends.
    bool moveHadFocus_ = false;
    HWND focusWhileDisabled_ = nullptr;

    LiveRunOptions options_;
    // Last, so that a run still going ends before what it reads goes.
    std::unique_ptr<WindowRunController> run_;
};

} // namespace pellora::win32
