#include "WindowTestKit.h"

#include "support/JpegProbe.h"
#include "win32/MainWindow.h"

#include <winver.h>

#include <memory>

namespace pellora::test {
namespace {

using win32::windowDesign::commandId;

// The program as built, beside this test.
std::filesystem::path builtProgram()
{
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return std::filesystem::path(self).parent_path() / PELLORA_WINDOW_EXECUTABLE;
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// pellora.exe started from a folder of its own, and its window once shown.
class RunningProgram {
public:
    explicit RunningProgram(const std::filesystem::path& program)
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        std::wstring commandLine = L"\"" + program.native() + L"\"";
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            program.parent_path().c_str(), &startup, &started))
            return;
        process_.reset(started.hProcess);
        CloseHandle(started.hThread);
        const DWORD id = started.dwProcessId;
        pumpUntil(nullptr, [&] { return (window_ = windowOf(id)) != nullptr; }, std::chrono::seconds(20));
    }
    ~RunningProgram()
    {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.get(), 99);
    }

    HWND window() const { return window_; }
    HWND control(Control control) const { return GetDlgItem(window_, commandId(control)); }
    // The program's exit status, or nothing when it is still running after `limit`.
    std::optional<DWORD> exitCode(std::chrono::milliseconds limit) const
    {
        if (!process_ || WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
            return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    // What a key press leaves in the queue of the program's thread, for the
    // control that has its focus.
    void pressAltAnd(wchar_t letter) const
    {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &thread);
        PostMessageW(thread.hwndFocus != nullptr ? thread.hwndFocus : window_, WM_SYSCHAR, towlower(letter), 0x20000001);
    }

private:
    static HWND windowOf(DWORD process)
    {
        std::pair<DWORD, HWND> search{process, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& [process, found] = *reinterpret_cast<std::pair<DWORD, HWND>*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner != process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr)
                    return TRUE;
                found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.second;
    }

    Handle process_;
    HWND window_ = nullptr;
};

class WindowProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(builtProgram())) << utf8(builtProgram().native());
        std::filesystem::create_directory(programFolder / "program");
        std::filesystem::copy_file(builtProgram(), program());
    }
    std::filesystem::path program() const { return programFolder / "program" / "pellora.exe"; }

    TempDir programFolder;
};

// A user's session: start, set up a run, Alt+M, close; start again and find
// everything as left.
TEST_F(WindowProcessTest, TheProgramConvertsWithAltMAndKeepsItsSettingsAcrossARestart)
{
    const std::filesystem::path in = programFolder / "in";
    const std::filesystem::path out = programFolder / "out";
    std::filesystem::create_directory(in);
    std::filesystem::create_directory(out);
    writeGameTga(in / "a.tga", samplePicture(24, 16, 1));
    writeGameTga(in / "b.tga", samplePicture(24, 16, 2));
    {
        RunningProgram running(program());
        ASSERT_NE(running.window(), nullptr) << "no window appeared";
        EXPECT_EQ(windowText(running.window()), L"Vask SS移動変換ツール - ver0.30");
        const RECT client = clientRect(running.window());
        EXPECT_EQ(client.right, 448);
        EXPECT_EQ(client.bottom, 288);
        EXPECT_EQ(windowText(running.control(Control::InputFolderBox)), L"C:\\Vondrel\\Brisquel");

        SendMessageW(running.control(Control::InputFolderBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widePath(in).c_str()));
        SendMessageW(running.control(Control::OutputFolderBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widePath(out).c_str()));
        SendMessageW(running.control(Control::PrefixBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"写真_"));
        SendMessageW(running.window(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 85),
                     reinterpret_cast<LPARAM>(running.control(Control::QualityBar)));
        running.pressAltAnd(L'M');
        EXPECT_TRUE(pumpUntil(nullptr, [&] { return SendMessageW(running.control(Control::ResultList), LB_GETCOUNT, 0, 0) == 2; },
                              std::chrono::seconds(20)));
        EXPECT_TRUE(pumpUntil(nullptr, [&] { return IsWindowEnabled(running.control(Control::MoveButton)) != FALSE; }))
            << "the run did not end";
        EXPECT_TRUE(decodeJpegFile(out / L"写真_001.jpg").has_value());
        EXPECT_TRUE(decodeJpegFile(out / L"写真_002.jpg").has_value());

        PostMessageW(running.window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(running.exitCode(std::chrono::seconds(10)), std::optional<DWORD>(0));
    }
    const std::string settings = readText(programFolder / "program" / "Pellora.ini");
    EXPECT_NE(settings.find("match=\x8e\xca\x90^_\r\n"), std::string::npos) << "code page 932";
    EXPECT_NE(settings.find("quality=85\r\n"), std::string::npos);

    RunningProgram again(program());
    ASSERT_NE(again.window(), nullptr);
    EXPECT_EQ(windowText(again.control(Control::InputFolderBox)), widePath(in));
    EXPECT_EQ(windowText(again.control(Control::OutputFolderBox)), widePath(out));
    EXPECT_EQ(windowText(again.control(Control::PrefixBox)), L"写真_");
    EXPECT_EQ(windowText(again.control(Control::QualityLabel)), L"85");
    again.pressAltAnd(L'X');
    EXPECT_EQ(again.exitCode(std::chrono::seconds(10)), std::optional<DWORD>(0)) << "Alt+X ends the program";
}

// What Windows reads from the file: a program without a console, the icon
// with its 32-pixel image, the version, and the manifest that asks for the
// common controls of Windows' own look and per-monitor DPI awareness.
TEST_F(WindowProcessTest, TheExecutableIsAWindowsProgramWithItsIconVersionAndManifest)
{
    const std::vector<unsigned char> image = readBytes(program());
    const auto header = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + header->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI) << "no console";

    HMODULE resources = LoadLibraryExW(program().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(resources, nullptr);
    const auto resource = [&](LPCWSTR name, LPCWSTR type) -> std::string_view {
        HRSRC found = FindResourceW(resources, name, type);
        if (found == nullptr)
            return {};
        return {static_cast<const char*>(LockResource(LoadResource(resources, found))), SizeofResource(resources, found)};
    };
    const std::string_view manifest = resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string_view::npos);

    const std::string_view group = resource(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_FALSE(group.empty());
    const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<PBYTE>(const_cast<char*>(group.data())), TRUE, 32, 32,
                                               LR_DEFAULTCOLOR);
    const std::string_view picture = resource(MAKEINTRESOURCEW(id), RT_ICON);
    ASSERT_FALSE(picture.empty());
    HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(picture.data())),
                                          static_cast<DWORD>(picture.size()), TRUE, 0x00030000, 32, 32, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 32);
    EXPECT_EQ(bitmap.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    FreeLibrary(resources);

    DWORD ignored = 0;
    std::vector<char> version(GetFileVersionInfoSizeW(program().c_str(), &ignored));
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoW(program().c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    const auto value = [&](const wchar_t* name) {
        void* text = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
        if (!VerQueryValueW(version.data(), path.c_str(), &text, &length) || length == 0)
            return std::wstring();
        return std::wstring(static_cast<const wchar_t*>(text));
    };
    EXPECT_EQ(value(L"ProductName"), L"Pellora");
    EXPECT_EQ(value(L"ProductVersion"), wide(PELLORA_VERSION));
    EXPECT_EQ(value(L"FileDescription"), L"Vask SS移動変換ツール");
    EXPECT_EQ(value(L"OriginalFilename"), L"pellora.exe");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 30u) << "0.30";
}

} // namespace
} // namespace pellora::test
