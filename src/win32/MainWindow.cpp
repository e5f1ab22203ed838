#include "win32/MainWindow.h"

#include "batch/BatchRun.h"
#include "platform/text/PathText.h"
#include "settings/Settings.h"
#include "win32/FolderDrop.h"
#include "win32/FolderPicker.h"
#include "win32/ResultList.h"
#include "win32/WideText.h"
#include "win32/WindowFont.h"
#include "win32/WindowLayout.h"
#include "win32/WindowRunController.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <stdexcept>
#include <thread>
#include <vector>

namespace pellora::win32 {

using windowDesign::Control;
using windowDesign::Kind;

namespace {

constexpr const wchar_t* kClassName = L"PelloraMainWindow";
// The application icon in the resources (resources/pellora.rc).
constexpr WORD kIconId = 1;
// A fixed frame with a title bar, the system menu and the close box; no
// minimize or maximize box, no sizing border.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

// Each control that takes the focus starts a group of its own, so that the
// arrow keys never move the focus; Tab does.
ControlClass classOf(Kind kind)
{
    constexpr DWORD focusable = WS_TABSTOP | WS_GROUP;
    switch (kind) {
    case Kind::TextBox: return {WC_EDITW, focusable | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case Kind::PushButton: return {WC_BUTTONW, focusable | BS_PUSHBUTTON, 0};
    case Kind::CheckBox: return {WC_BUTTONW, focusable | BS_AUTOCHECKBOX, 0};
    case Kind::ScrollBar: return {WC_SCROLLBARW, focusable | SBS_HORZ, 0};
    case Kind::ListBox:
        return {WC_LISTBOXW, focusable | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS | WS_VSCROLL | WS_HSCROLL,
                WS_EX_CLIENTEDGE};
    case Kind::Label: return {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case Kind::ValueLabel: return {WC_STATICW, SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, 0};
    case Kind::ProgressBar: return {PROGRESS_CLASSW, 0, 0};
    }
    return {WC_STATICW, 0, 0};
}

// What of its width a control leaves its caption, at `layout`'s DPI.
int captionRoom(Kind kind, int width, const WindowLayout& layout)
{
    switch (kind) {
    case Kind::CheckBox:
        return width - GetSystemMetricsForDpi(SM_CXMENUCHECK, layout.dpi()) - layout.scaled(4);
    case Kind::PushButton: return width - layout.scaled(6);
    default: return width;
    }
}

std::wstring textOfWindow(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

bool contains(HWND ancestor, HWND window)
{
    return window != nullptr && (window == ancestor || IsChild(ancestor, window));
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, const std::filesystem::path& programFolder)
    : MainWindow(instance, programFolder, SettingsLocation::find(programFolder))
{
}

MainWindow::MainWindow(HINSTANCE instance, const std::filesystem::path& programFolder, SettingsLocation settings)
    : programFolder_(programFolder),
      settings_(std::move(settings)),
      chooser_(FolderPicker::choose),
      boxes_(MessageBoxes::shown())
{
    const WindowLayout design(WindowLayout::kDesignDpi);
    const SIZE size = outerSize(design.dpi());
    window_ = CreateWindowExW(kExStyle, MAKEINTATOM(windowClass(instance)), caption().c_str(), kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, instance, this);
    if (window_ == nullptr)
        throw std::runtime_error("the window could not be created");
    try {
        createControls();
        applyDpi(GetDpiForWindow(window_));
        run_ = std::make_unique<WindowRunController>(window_, kRunMessage, static_cast<RunView&>(*this), options_);
        loadSettings();
    } catch (...) {
        // No destructor will run: the window must not outlive this object.
        DestroyWindow(window_);
        throw;
    }
    lastFocus_ = control(Control::InputFolderBox);
}

MainWindow::~MainWindow()
{
    run_.reset();
    gone_ = nullptr;
    if (window_ != nullptr)
        DestroyWindow(window_);
}

ATOM MainWindow::windowClass(HINSTANCE instance)
{
    static const ATOM atom = [instance] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass);
    }();
    return atom;
}

std::wstring MainWindow::caption()
{
    return std::wstring(L"Vask SS移動変換ツール") + L" - ver" + wideText::fromUtf8(PELLORA_VERSION);
}

HWND MainWindow::control(Control control) const
{
    return controls_[static_cast<std::size_t>(control)];
}

// Created in tab order, so that Tab follows the design.
void MainWindow::createControls()
{
    for (const windowDesign::Row& row : windowDesign::kRows)
        controls_[static_cast<std::size_t>(row.control)] = createControl(row);
    quality_ = QualityBar(control(Control::QualityBar));
    SendMessageW(control(Control::ProgressBar), PBM_SETRANGE32, 0, 100);
    results_ = std::make_unique<ResultList>(control(Control::ResultList), window_);
    drops_[0] = std::make_unique<FolderDrop>(control(Control::InputFolderBox));
    drops_[1] = std::make_unique<FolderDrop>(control(Control::OutputFolderBox));
}

HWND MainWindow::createControl(const windowDesign::Row& row)
{
    const ControlClass kind = classOf(row.kind);
    HWND created = CreateWindowExW(kind.exStyle, kind.name, row.caption, WS_CHILD | WS_VISIBLE | kind.style, 0, 0, 0,
                                   0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(windowDesign::commandId(row.control))),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
    if (created == nullptr)
        throw std::runtime_error("a control of the window could not be created");
    return created;
}

SIZE MainWindow::outerSize(unsigned dpi) const
{
    const PixelRect client = WindowLayout(dpi).clientArea();
    RECT outer{0, 0, client.width, client.height};
    AdjustWindowRectExForDpi(&outer, kStyle, FALSE, kExStyle, dpi);
    return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

// Places every control for `dpi` and gives it a font that fits there.
void MainWindow::applyDpi(unsigned dpi)
{
    const WindowLayout layout(dpi);
    std::vector<WindowFont::Room> rooms;
    for (const windowDesign::Row& row : windowDesign::kRows) {
        const PixelRect place = layout.place(row.place);
        SetWindowPos(control(row.control), nullptr, place.left, place.top, place.width, place.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (row.caption != nullptr)
            rooms.push_back({row.caption, captionRoom(row.kind, place.width, layout)});
    }
    auto font = std::make_unique<WindowFont>(WindowFont::fitting(dpi, rooms));
    for (HWND each : controls_)
        SendMessageW(each, WM_SETFONT, reinterpret_cast<WPARAM>(font->handle()), TRUE);
    font_ = std::move(font); // only now may the old one go
    results_->remeasure();
    const SIZE size = outerSize(dpi);
    SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fitClientArea(layout);
    applyIcons(dpi);
}

// The frame may be drawn with other measures than the system gave for the
// DPI (a window still at its old scale, a theme): the client area is the
// design's whatever the frame takes.
void MainWindow::fitClientArea(const WindowLayout& layout)
{
    RECT client{};
    RECT outer{};
    GetClientRect(window_, &client);
    GetWindowRect(window_, &outer);
    const PixelRect wanted = layout.clientArea();
    const int moreWidth = wanted.width - (client.right - client.left);
    const int moreHeight = wanted.height - (client.bottom - client.top);
    if (moreWidth != 0 || moreHeight != 0)
        SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + moreWidth, outer.bottom - outer.top + moreHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The sizes the title bar and the taskbar want at this DPI, each the nearest
// image of the icon, scaled if need be.
void MainWindow::applyIcons(unsigned dpi)
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    const auto load = [&](int width, int height) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                             GetSystemMetricsForDpi(width, dpi), GetSystemMetricsForDpi(height, dpi),
                                             LR_DEFAULTCOLOR));
    };
    HICON large = load(SM_CXICON, SM_CYICON);
    HICON little = load(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(little));
    bigIcon_.reset(large);
    smallIcon_.reset(little);
}

void MainWindow::show(int how)
{
    ShowWindow(window_, how);
    UpdateWindow(window_);
}

bool MainWindow::handleKeys(MSG& message)
{
    return window_ != nullptr && IsDialogMessageW(window_, &message);
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->onMessage(message, wParam, lParam);
}

LRESULT MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == control(Control::QualityBar))
            onScroll(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        if (onWheel(GET_WHEEL_DELTA_WPARAM(wParam), message == WM_MOUSEHWHEEL, lParam))
            return 0;
        break;
    case WM_NOTIFY:
        if (results_ && results_->answerTip(*reinterpret_cast<NMHDR*>(lParam)))
            return 0;
        break;
    case kRunMessage:
        if (run_)
            run_->runPending();
        return 0;
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SETFOCUS:
        restoreFocus();
        return 0;
    case WM_SETCURSOR:
        if (onSetCursor())
            return TRUE;
        break;
    case WM_GETDPISCALEDSIZE:
        *reinterpret_cast<SIZE*>(lParam) = outerSize(LOWORD(wParam));
        return TRUE;
    case WM_DPICHANGED:
        onDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        close();
        return 0;
    case WM_ENDSESSION:
        if (wParam != FALSE)
            endSession();
        return 0;
    case WM_DESTROY:
        // What lives on the controls goes with them, not with this object.
        drops_ = {};
        results_.reset();
        gone();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

// Enter and Esc reach the window as IDOK and IDCANCEL: there is no default
// and no cancel button, so they do nothing.
void MainWindow::onCommand(int id, int notification)
{
    if (notification != BN_CLICKED)
        return;
    using windowDesign::commandId;
    if (id == commandId(Control::InputBrowseButton))
        browseInto(Control::InputFolderBox);
    else if (id == commandId(Control::OutputBrowseButton))
        browseInto(Control::OutputFolderBox);
    else if (id == commandId(Control::MoveButton))
        startRun();
    else if (id == commandId(Control::ExitButton))
        close();
    else if (id == commandId(Control::DeleteSourcesCheck) || id == commandId(Control::LogCheck))
        publishOptions();
}

void MainWindow::onScroll(int request, int position)
{
    if (quality_.scroll(request, position)) {
        showQuality();
        publishOptions();
    }
}

// The quality bar takes the wheel when the mouse is over it; a scroll bar
// leaves the wheel to its parent.
bool MainWindow::onWheel(int delta, bool tilted, LPARAM screenPoint)
{
    const POINT mouse{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (WindowFromPoint(mouse) != control(Control::QualityBar))
        return false;
    if (quality_.wheel(delta, tilted)) {
        showQuality();
        publishOptions();
    }
    return true;
}

// The focus comes back to the control that had it, as in a dialog box.
void MainWindow::onActivate(bool active)
{
    if (!active) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus))
            lastFocus_ = focus;
        return;
    }
    restoreFocus();
}

// Never the window itself, where typed keys would reach no control.
void MainWindow::restoreFocus()
{
    if (IsWindow(lastFocus_) && IsChild(window_, lastFocus_) && IsWindowEnabled(lastFocus_))
        SetFocus(lastFocus_);
    else
        SetFocus(GetNextDlgTabItem(window_, nullptr, FALSE));
}

// The hourglass over the whole window while a run goes on.
bool MainWindow::onSetCursor()
{
    if (!busy_)
        return false;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

void MainWindow::onDpiChanged(unsigned dpi, const RECT& suggested)
{
    const SIZE size = outerSize(dpi);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    applyDpi(dpi);
}

// Windows is ending the session and ends the program as soon as this
// returns: the run stops at its next file, and the settings are saved.
void MainWindow::endSession()
{
    run_.reset();
    saveSettings();
}

void MainWindow::gone()
{
    if (gone_)
        gone_();
}

// Fills the controls from the six stored values, then takes the folders
// from them as a run would.
void MainWindow::loadSettings()
{
    const Settings stored = Settings::load(settings_.file());
    setText(Control::PrefixBox, wideText::fromUtf8(stored.prefix));
    quality_.setValue(stored.quality);
    setChecked(Control::DeleteSourcesCheck, stored.deleteSources);
    setChecked(Control::LogCheck, stored.log);
    setText(Control::InputFolderBox, wideText::fromUtf8(stored.inDir));
    setText(Control::OutputFolderBox, wideText::fromUtf8(stored.outDir));
    takeFromBoxes();
    SetWindowTextW(window_, caption().c_str());
    SetCurrentDirectoryW(programFolder_.c_str());
    showQuality();
    publishOptions();
}

// The folders go back as the boxes show them, so a separator added in memory
// never reaches the file. A failed save is not shown: the window goes anyway.
void MainWindow::saveSettings()
{
    const Settings current{wideText::toUtf8(textOf(Control::InputFolderBox)),
                           wideText::toUtf8(textOf(Control::OutputFolderBox)),
                           wideText::toUtf8(textOf(Control::PrefixBox)),
                           quality_.value(),
                           checked(Control::DeleteSourcesCheck),
                           checked(Control::LogCheck)};
    if (settings_.prepareForSaving())
        (void)current.save(settings_.file());
}

void MainWindow::takeFromBoxes()
{
    taken_ = WindowBatchHost::Start{wideText::toUtf8(textOf(Control::InputFolderBox)),
                                    wideText::toUtf8(textOf(Control::OutputFolderBox)),
                                    wideText::toUtf8(textOf(Control::PrefixBox))};
}

std::wstring MainWindow::inputFolder() const
{
    return wideText::fromUtf8(pathText::withTrailingSeparator(taken_.inputFolder));
}

std::wstring MainWindow::outputFolder() const
{
    return wideText::fromUtf8(pathText::withTrailingSeparator(taken_.outputFolder));
}

std::wstring MainWindow::logPath() const
{
    return outputFolder() + wideText::fromUtf8(BatchRun::kLogFileName);
}

void MainWindow::showQuality()
{
    setText(Control::QualityLabel, std::to_wstring(quality_.value()));
}

// What a run reads per file, the moment the user changes it.
void MainWindow::publishOptions()
{
    options_.quality = quality_.value();
    options_.deleteSources = checked(Control::DeleteSourcesCheck);
    options_.log = checked(Control::LogCheck);
}

void MainWindow::browseInto(Control box)
{
    const std::wstring path = chooser_(window_);
    if (!path.empty())
        setText(box, path);
}

std::wstring MainWindow::textOf(Control control) const
{
    return textOfWindow(this->control(control));
}

void MainWindow::setText(Control control, const std::wstring& text)
{
    SetWindowTextW(this->control(control), text.c_str());
}

bool MainWindow::checked(Control box) const
{
    return SendMessageW(control(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::setChecked(Control box, bool on)
{
    SendMessageW(control(box), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool MainWindow::runInProgress() const
{
    return run_ && run_->running();
}

// One run at a time: the Move button is disabled while one goes, and a
// start by any other way does nothing.
void MainWindow::startRun()
{
    if (!run_ || run_->running())
        return;
    takeFromBoxes();

    HWND move = control(Control::MoveButton);
    moveHadFocus_ = GetFocus() == move;
    // A disabled control keeps a focus it already has, and the keyboard
    // would reach nothing: the focus moves on first.
    if (moveHadFocus_)
        SetFocus(GetNextDlgTabItem(window_, move, FALSE));
    EnableWindow(move, FALSE);
    focusWhileDisabled_ = GetFocus();
    run_->start(taken_, std::max(1u, std::thread::hardware_concurrency()));
}

bool MainWindow::close()
{
    if (window_ == nullptr)
        return true;
    if (runInProgress()) {
        run_->requestStop();
        closeWhenRunEnds_ = true;
        return false;
    }
    saveSettings();
    DestroyWindow(window_);
    return true;
}

void MainWindow::clearList()
{
    if (results_)
        results_->clear();
}

void MainWindow::addLine(const std::wstring& line, const std::wstring& detail)
{
    if (results_)
        results_->append(line, detail);
}

void MainWindow::setProgressMaximum(int maximum)
{
    SendMessageW(control(Control::ProgressBar), PBM_SETRANGE32, 0, maximum);
}

void MainWindow::setProgressValue(int value)
{
    SendMessageW(control(Control::ProgressBar), PBM_SETPOS, value, 0);
}

void MainWindow::showBusy(bool busy)
{
    busy_ = busy;
    POINT mouse{};
    if (GetCursorPos(&mouse) && contains(window_, WindowFromPoint(mouse)))
        SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void MainWindow::focusBox(UserQuestions::Field field)
{
    switch (field) {
    case UserQuestions::Field::InputFolder: SetFocus(control(Control::InputFolderBox)); break;
    case UserQuestions::Field::OutputFolder: SetFocus(control(Control::OutputFolderBox)); break;
    case UserQuestions::Field::Prefix: SetFocus(control(Control::PrefixBox)); break;
    }
}

void MainWindow::showCritical(const std::wstring& text)
{
    boxes_.critical(window_, text);
}

bool MainWindow::askYesNo(const std::wstring& text)
{
    return boxes_.askYesNo(window_, text);
}

void MainWindow::runFinished()
{
    HWND move = control(Control::MoveButton);
    EnableWindow(move, TRUE);
    // Disabling moved the focus away from the button; give it back unless
    // the run sent it to a text box.
    if (moveHadFocus_ && GetFocus() == focusWhileDisabled_)
        SetFocus(move);
    if (closeWhenRunEnds_) {
        closeWhenRunEnds_ = false;
        close();
    }
}

} // namespace pellora::win32
