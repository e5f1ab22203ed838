#include "platform/io/windows/WindowsPath.h"

#include "platform/io/windows/WindowsErrors.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

namespace pellora::windowsPath {

namespace {

constexpr std::wstring_view kVerbatim = L"\\\\?\\";
constexpr std::wstring_view kVerbatimUnc = L"\\\\?\\UNC\\";
constexpr std::wstring_view kDevice = L"\\\\.\\";
constexpr std::wstring_view kUnc = L"\\\\";

// Calls `call(buffer, size)` with ever larger buffers until the answer fits;
// on failure, Windows' error code.
template <typename Call>
Expected<std::wstring, DWORD> grown(Call call)
{
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = call(text.data(), static_cast<DWORD>(text.size()));
        if (got == 0)
            return unexpected(::GetLastError());
        if (got < text.size()) {
            text.resize(got);
            return text;
        }
        // Too short: `got` is the size needed, with the terminating NUL.
        text.resize(std::max<std::size_t>(got, text.size() + 1));
    }
}

Expected<std::wstring, int> fullPathOf(const std::wstring& path)
{
    auto full =
        grown([&](wchar_t* buffer, DWORD size) { return ::GetFullPathNameW(path.c_str(), size, buffer, nullptr); });
    if (!full)
        return unexpected(windowsErrors::toErrno(full.error()));
    return std::move(*full);
}

// "\\?\C:\a" as "C:\a", "\\?\UNC\host\share\a" as "\\host\share\a".
std::wstring withoutVerbatim(std::wstring_view path)
{
    if (path.starts_with(kVerbatimUnc))
        return std::wstring(kUnc) + std::wstring(path.substr(kVerbatimUnc.size()));
    if (path.starts_with(kVerbatim))
        return std::wstring(path.substr(kVerbatim.size()));
    return std::wstring(path);
}

std::wstring verbatim(std::wstring_view full)
{
    if (full.starts_with(kUnc))
        return std::wstring(kVerbatimUnc) + std::wstring(full.substr(kUnc.size()));
    return std::wstring(kVerbatim) + std::wstring(full);
}

// How long the root of a full path is: "C:\" or "\\host\share\".
std::size_t rootLength(std::wstring_view full)
{
    if (!full.starts_with(kUnc))
        return full.size() >= 3 && full[1] == L':' ? 3 : 0;
    std::size_t at = kUnc.size();
    for (int separators = 0; at < full.size() && separators < 2; ++at)
        if (full[at] == L'\\')
            ++separators;
    return at;
}

bool rooted(const std::filesystem::path& name)
{
    return name.has_root_name() || name.has_root_directory();
}

// "C:name" names a file in drive C's current folder, wherever that is: from
// a folder, never what a name in it means ("a:b" is a stream, or a drive).
bool driveRelative(const std::filesystem::path& name)
{
    return name.has_root_name() && !name.has_root_directory();
}

} // namespace

bool namesAllowed(std::wstring_view full)
{
    const std::size_t root = rootLength(full);
    if (root == 0)
        return false;
    for (const wchar_t c : full.substr(root))
        if (c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos)
            return false;
    return true;
}

Expected<std::wstring, int> finalPathOf(HANDLE handle)
{
    auto final = grown([&](wchar_t* buffer, DWORD size) {
        return ::GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    if (final)
        return std::move(*final);
    // Wine's stops at 260 characters whatever the buffer (Windows' does not).
    if (final.error() == ERROR_MORE_DATA)
        return unexpected(ENAMETOOLONG);
    // Some network file systems cannot normalise; the path opened is as good.
    auto opened = grown([&](wchar_t* buffer, DWORD size) {
        return ::GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_OPENED | VOLUME_NAME_DOS);
    });
    if (!opened)
        return unexpected(windowsErrors::toErrno(opened.error()));
    return std::move(*opened);
}

namespace {

// `name` after the path `folder` has now.
Expected<std::wstring, int> joinedTo(HANDLE folder, const std::wstring& name)
{
    const auto base = finalPathOf(folder);
    if (!base)
        return unexpected(base.error());
    std::wstring joined = withoutVerbatim(*base);
    if (!joined.ends_with(L'\\'))
        joined += L'\\';
    if (rootLength(joined) == 0)
        return unexpected(EINVAL); // a volume without a drive letter or share name
    return joined + name;
}

// One name, no "." or "..", no separator: the name a listing gives.
bool isSingleName(std::wstring_view name)
{
    return name != L"." && name != L".." && name.find_first_of(L"\\/") == std::wstring_view::npos;
}

// The full path of `path` in the form the wide calls take, when it may name a file.
Expected<std::wstring, int> verbatimFull(const std::wstring& path)
{
    auto full = fullPathOf(path);
    if (!full)
        return unexpected(full.error());
    // A folder typed with its separator at the end: verbatim, that would be
    // part of the name.
    if (full->size() > rootLength(*full) && full->ends_with(L'\\'))
        full->pop_back();
    // GetFullPathNameW turns "CON" and the other device names into "\\.\CON".
    if (full->starts_with(kDevice) || !namesAllowed(*full))
        return unexpected(EINVAL);
    return verbatim(*full);
}

} // namespace

Expected<std::wstring, int> resolve(HANDLE folder, const std::filesystem::path& name)
{
    const std::wstring& text = name.native();
    if (text.empty())
        return unexpected(ENOENT);
    if (text.find(L'\0') != std::wstring::npos || text.starts_with(kDevice))
        return unexpected(EINVAL);
    if (folder != nullptr && driveRelative(name))
        return unexpected(EINVAL);
    if (folder != nullptr && !rooted(name)) {
        const auto joined = joinedTo(folder, text);
        if (!joined || !isSingleName(text))
            return joined ? verbatimFull(*joined) : joined;
        // Completing would drop a name's dots and blanks at its end, which
        // a file made through "\\?\" can have: checked, then kept as it is.
        const auto checked = verbatimFull(*joined);
        return checked ? Expected<std::wstring, int>(verbatim(*joined)) : checked;
    }
    // Verbatim already: taken as it is, as the system would, but never a stream or a wildcard.
    if (text.starts_with(kVerbatim))
        return namesAllowed(withoutVerbatim(text)) ? Expected<std::wstring, int>(text) : unexpected(EINVAL);
    return verbatimFull(text);
}

} // namespace pellora::windowsPath
