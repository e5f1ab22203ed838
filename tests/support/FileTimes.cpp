#include "support/FileTimes.h"

#include "platform/text/PathText.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace pellora::test {

namespace {

[[noreturn]] void fail(const char* what, const std::filesystem::path& path)
{
    throw std::runtime_error(std::string(what) + " " + pathText::toText(path));
}

#ifdef _WIN32
// FILETIME counts 100 ns from 1601; timespec seconds from 1970.
constexpr long long kTicksPerSecond = 10'000'000;
constexpr long long kEpochTicks = 116'444'736'000'000'000LL;

timespec toTimespec(const FILETIME& time)
{
    const long long ticks = (static_cast<long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime) - kEpochTicks;
    return timespec{static_cast<time_t>(ticks / kTicksPerSecond), static_cast<long>(ticks % kTicksPerSecond * 100)};
}

FILETIME toFiletime(const timespec& time)
{
    const long long ticks = time.tv_sec * kTicksPerSecond + time.tv_nsec / 100 + kEpochTicks;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

struct OpenedForTimes {
    explicit OpenedForTimes(const std::filesystem::path& path)
        : handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr))
    {
        if (handle == INVALID_HANDLE_VALUE)
            fail("cannot open", path);
    }
    ~OpenedForTimes() { ::CloseHandle(handle); }
    OpenedForTimes(const OpenedForTimes&) = delete;
    OpenedForTimes& operator=(const OpenedForTimes&) = delete;
    HANDLE handle;
};
#endif

} // namespace

#ifdef _WIN32
FileTimes fileTimes(const std::filesystem::path& path)
{
    const OpenedForTimes file(path);
    FILETIME accessed{}, modified{};
    if (!::GetFileTime(file.handle, nullptr, &accessed, &modified))
        fail("cannot read the times of", path);
    return {toTimespec(accessed), toTimespec(modified)};
}

void setFileTimes(const std::filesystem::path& path, const FileTimes& times)
{
    const OpenedForTimes file(path);
    const FILETIME accessed = toFiletime(times.accessed), modified = toFiletime(times.modified);
    if (!::SetFileTime(file.handle, nullptr, &accessed, &modified))
        fail("cannot set the times of", path);
}
#else
FileTimes fileTimes(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        fail("cannot read the times of", path);
    return {info.st_atim, info.st_mtim};
}

void setFileTimes(const std::filesystem::path& path, const FileTimes& times)
{
    const timespec both[2] = {times.accessed, times.modified};
    if (::utimensat(AT_FDCWD, path.c_str(), both, 0) != 0)
        fail("cannot set the times of", path);
}
#endif

void makeReadOnly(const std::filesystem::path& path)
{
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_read | perms::group_read | perms::others_read);
}

} // namespace pellora::test
