#include "settings/SettingsLocation.h"

#include "platform/text/Utf8.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>

namespace pellora {

namespace {

struct TaskMemoryFree {
    void operator()(wchar_t* text) const { ::CoTaskMemFree(text); }
};

struct HandleClose {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};

std::filesystem::path roamingAppDataFolder()
{
    wchar_t* raw = nullptr;
    const HRESULT found = ::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr, &raw);
    const std::unique_ptr<wchar_t, TaskMemoryFree> folder(raw); // freed even when the call failed
    if (FAILED(found) || !folder)
        return {};
    return std::filesystem::path(folder.get());
}

std::optional<std::string> environmentValue(const char* name)
{
    const std::u16string wideName = utf8::toUtf16(name);
    const auto* key = reinterpret_cast<const wchar_t*>(wideName.c_str());
    std::wstring value(256, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length = ::GetEnvironmentVariableW(key, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return std::nullopt;
        if (length < value.size()) {
            value.resize(length);
            return utf8::fromUtf16(std::u16string(value.begin(), value.end()));
        }
        value.resize(length); // too small: `length` counts the terminating NUL
    }
}

// Windows' rights (access lists, a read-only share, a folder the user may
// read but not add to, as under Program Files) are known for sure only by
// trying: a hidden file made and gone again at once, removed by the system
// even if the program died meanwhile.
bool canCreateFileIn(const std::filesystem::path& folder)
{
    const std::filesystem::path probe =
        folder / (L".Pellora.ini." + std::to_wstring(::GetCurrentProcessId()) + L".writable");
    const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                      nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const std::unique_ptr<void, HandleClose> made(file); // closing it removes it
    return true;
}

} // namespace

SettingsLocation::Probe SettingsLocation::systemProbe()
{
    Probe probe;
    // Anything under that name counts, a link too, even one leading nowhere.
    probe.entryExists = [](const std::filesystem::path& path) {
        return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    probe.folderWritable = [](const std::filesystem::path& folder) {
        const DWORD attributes = ::GetFileAttributesW(folder.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
               && canCreateFileIn(folder);
    };
    probe.environment = environmentValue;
    probe.accountHome = roamingAppDataFolder;
    return probe;
}

} // namespace pellora
