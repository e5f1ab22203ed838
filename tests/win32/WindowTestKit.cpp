#include "WindowTestKit.h"

#include "support/TempDir.h"
#include "win32/WideText.h"

#include <algorithm>
#include <fstream>

namespace pellora::test {

namespace {

constexpr auto kKeyTurn = std::chrono::milliseconds(60);

// The keyboard state as the dialog manager reads it, with Shift down or up.
void setShift(bool down)
{
    BYTE keys[256]{};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    keys[VK_LSHIFT] = keys[VK_SHIFT];
    SetKeyboardState(keys);
}

// Where typed keys go: the focused control, else the active window.
HWND keyTarget(win32::MainWindow& window)
{
    HWND focus = GetFocus();
    return focus != nullptr ? focus : window.handle();
}

std::wstring classOf(HWND window)
{
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return name;
}

} // namespace

std::wstring windowText(HWND window)
{
    // WM_GETTEXT rather than GetWindowText, which does not ask another
    // process's controls for their text.
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

std::string utf8(std::wstring_view text)
{
    return win32::wideText::toUtf8(text);
}

std::wstring wide(std::string_view utf8)
{
    return win32::wideText::fromUtf8(utf8);
}

std::wstring widePath(const std::filesystem::path& path)
{
    return path.native();
}

RECT placeInParent(HWND control)
{
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

RECT clientRect(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

void pump(win32::MainWindow* window, std::chrono::milliseconds time)
{
    pumpUntil(window, [] { return false; }, time);
}

namespace {

// Takes and handles the messages between `first` and `last`, as the program's loop does.
void handleQueued(win32::MainWindow* window, UINT first, UINT last)
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, first, last, PM_REMOVE)) {
        if (window != nullptr && window->handleKeys(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

void pumpHoldingTheRun(win32::MainWindow& window, std::chrono::milliseconds time)
{
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        handleQueued(&window, 0, win32::MainWindow::kRunMessage - 1);
        handleQueued(&window, win32::MainWindow::kRunMessage + 1, 0xFFFFFFFF);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool pumpUntil(win32::MainWindow* window, const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        handleQueued(window, 0, 0);
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void pressTab(win32::MainWindow& window, bool shift)
{
    setShift(shift);
    HWND target = keyTarget(window);
    PostMessageW(target, WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageW(target, WM_KEYUP, VK_TAB, 0xC00F0001);
    pump(&window, kKeyTurn);
    setShift(false);
}

// What the keyboard leaves once Alt and the letter are down: the system
// character, with the Alt bit (29) set.
void pressAltAnd(win32::MainWindow& window, wchar_t letter)
{
    postAltAnd(window, letter);
    pump(&window, kKeyTurn);
}

void postAltAnd(win32::MainWindow& window, wchar_t letter)
{
    PostMessageW(keyTarget(window), WM_SYSCHAR, towlower(letter), 0x20000001);
}

void pressSpace(win32::MainWindow& window)
{
    HWND target = keyTarget(window);
    PostMessageW(target, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageW(target, WM_CHAR, L' ', 0x00390001);
    PostMessageW(target, WM_KEYUP, VK_SPACE, 0xC0390001);
    pump(&window, kKeyTurn);
}

void writeSettings(const std::filesystem::path& programFolder, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    writeBytes(programFolder / "Pellora.ini", std::vector<unsigned char>(text.begin(), text.end()));
}

std::string settingsText(const std::filesystem::path& programFolder)
{
    return readText(programFolder / "Pellora.ini");
}

HWND findDialog(const std::wstring& caption)
{
    struct Search {
        const std::wstring& caption;
        HWND found = nullptr;
    } search{caption};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process != GetCurrentProcessId() || classOf(window) != L"#32770" || !IsWindowVisible(window)
                || (!search.caption.empty() && windowText(window) != search.caption))
                return TRUE;
            search.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ModalAnswer::ModalAnswer(std::wstring caption, int button, std::function<void(HWND)> act)
    : caption_(std::move(caption)), button_(button), act_(std::move(act)), thread_([this] { watch(); })
{
}

ModalAnswer::~ModalAnswer()
{
    if (thread_.joinable())
        thread_.join();
}

void ModalAnswer::watch()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    HWND dialog = nullptr;
    while (dialog == nullptr && std::chrono::steady_clock::now() < end) {
        dialog = findDialog(caption_);
        if (dialog == nullptr)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (dialog == nullptr)
        return;
    // Let it finish appearing (its placement comes with its first showing).
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) -> BOOL {
            auto& texts = *reinterpret_cast<std::vector<std::wstring>*>(data);
            if (classOf(child) == L"Static" && IsWindowVisible(child)) {
                std::wstring text = windowText(child);
                if (!text.empty())
                    texts.push_back(std::move(text));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts_));
    GetWindowRect(dialog, &outer_);
    owner_ = GetWindow(dialog, GW_OWNER);
    if (act_)
        act_(dialog);
    found_ = true;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button_)));
}

bool ModalAnswer::answered()
{
    if (thread_.joinable())
        thread_.join();
    return found_;
}

std::vector<std::wstring> ModalAnswer::texts() const
{
    return texts_;
}

RECT ModalAnswer::outerRect() const
{
    return outer_;
}

HWND ModalAnswer::owner() const
{
    return owner_;
}

WindowTest::WindowTest() : previousFolder_(std::filesystem::current_path()) {}

void WindowTest::TearDown()
{
    std::filesystem::current_path(previousFolder_);
}

std::unique_ptr<win32::MainWindow> WindowTest::openWindow()
{
    return std::make_unique<win32::MainWindow>(GetModuleHandleW(nullptr), programFolder.path());
}

void WindowTest::activate(win32::MainWindow& window)
{
    window.show(SW_SHOWNORMAL);
    SetForegroundWindow(window.handle());
    SetActiveWindow(window.handle());
    pumpUntil(&window, [&window] { return GetActiveWindow() == window.handle(); }, std::chrono::seconds(5));
    pump(&window, std::chrono::milliseconds(50));
    ASSERT_EQ(GetActiveWindow(), window.handle());
}

void WindowTest::waitForRunEnd(win32::MainWindow& window)
{
    EXPECT_TRUE(pumpUntil(&window, [&window] { return !window.runInProgress(); })) << "the run did not end";
}

} // namespace pellora::test
