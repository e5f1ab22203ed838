#include "platform/ProgramFolder.h"

#ifdef _WIN32
#include <windows.h>

#include <string>
#endif

#include <system_error>

namespace pellora {

namespace {

std::filesystem::path executablePath()
{
#ifdef _WIN32
    // The buffer grows until the whole name fits: a path can be as long as
    // the system's limit for long paths (32767 characters).
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        if (name.size() >= 32768)
            return {};
        name.resize(name.size() * 2);
    }
#else
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : executable;
#endif
}

} // namespace

std::filesystem::path programFolder()
{
    const std::filesystem::path executable = executablePath();
    if (!executable.empty())
        return executable.parent_path();
    std::error_code error;
    return std::filesystem::current_path(error);
}

} // namespace pellora
