#include "HeldFolder.h"

#include "platform/io/windows/WindowsPath.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <variant>

namespace pellora {
namespace {

using Outcome = std::variant<std::wstring, int>; // the path the calls get, or the error number

Outcome outcomeOf(const Expected<std::wstring, int>& resolved)
{
    return resolved ? Outcome(*resolved) : Outcome(resolved.error());
}

std::string describe(const Outcome& outcome)
{
    if (const int* error = std::get_if<int>(&outcome))
        return "error " + std::to_string(*error);
    const std::wstring& path = std::get<std::wstring>(outcome);
    return std::string(path.begin(), path.end()); // the rows are ASCII
}

// A path as the user types it becomes one the wide calls take verbatim, or
// is refused before any call when no file may have it.
TEST(WindowsPathTest, APathTypedByTheUserIsCompletedOrRefused)
{
    struct Row {
        const wchar_t* typed;
        Outcome expected;
    };
    const Row rows[] = {
        {L"C:\\Vask_SS", std::wstring(L"\\\\?\\C:\\Vask_SS")},
        {L"C:\\Vask_SS\\", std::wstring(L"\\\\?\\C:\\Vask_SS")},
        {L"C:\\", std::wstring(L"\\\\?\\C:\\")},
        {L"C:/a/./b/../c", std::wstring(L"\\\\?\\C:\\a\\c")},
        {L"\\\\host\\share\\pics", std::wstring(L"\\\\?\\UNC\\host\\share\\pics")},
        {L"\\\\?\\C:\\a", std::wstring(L"\\\\?\\C:\\a")},
        {L"C:\\a\\CON", EINVAL},
        {L"C:\\a\\b:stream", EINVAL},
        {L"\\\\?\\C:\\a:b", EINVAL},
        {L"\\\\.\\pipe\\x", EINVAL},
        {L"C:\\a\\b?", EINVAL},
        {L"", ENOENT},
    };
    for (const Row& row : rows) {
        const Outcome got = outcomeOf(windowsPath::resolve(nullptr, row.typed));
        EXPECT_EQ(got, row.expected) << describe(got);
    }
}

// From a folder: the folder's own path, whatever names it is given with.
TEST(WindowsPathTest, ANameFromAFolderStaysInThatFolderUnlessItIsAPath)
{
    test::HeldFolder held;
    const auto base = windowsPath::finalPathOf(held.handle().native());
    ASSERT_TRUE(base);
    struct Row {
        const wchar_t* name;
        Outcome expected;
    };
    const Row rows[] = {
        {L"sshot001.jpg", *base + L"\\sshot001.jpg"},
        {L".\\sub/x.jpg", *base + L"\\sub\\x.jpg"},
        {L".", *base},
        {L"ends in a dot.", *base + L"\\ends in a dot."},
        {L"c:sshot001.jpg", EINVAL}, // drive C's current folder, wherever that is
        {L"a:b001.jpg", EINVAL},
        {L"C:\\elsewhere", std::wstring(L"\\\\?\\C:\\elsewhere")},
    };
    for (const Row& row : rows) {
        const Outcome got = outcomeOf(windowsPath::resolve(held.handle().native(), row.name));
        EXPECT_EQ(got, row.expected) << describe(got);
    }
}

} // namespace
} // namespace pellora
