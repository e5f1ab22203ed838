#include "HeldFolder.h"

#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/io/windows/WindowsFileKind.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>

namespace pellora {
namespace {

// Tags from winnt.h; those the MinGW-w64 headers lack are spelled out.
constexpr DWORD kCloudFiles = 0x9000001Au; // IO_REPARSE_TAG_CLOUD: OneDrive's files on demand
constexpr DWORD kSystemCompressed = 0x80000017u; // IO_REPARSE_TAG_WOF: compact.exe
constexpr DWORD kAppExecutionAlias = 0x8000001Bu; // IO_REPARSE_TAG_APPEXECLINK
constexpr DWORD kWslSymlink = 0xA000001Du; // IO_REPARSE_TAG_LX_SYMLINK

TEST(WindowsReparseTest, OnlyAReparsePointThatStandsForAnotherNameIsALink)
{
    struct Row {
        const char* name;
        DWORD attributes;
        DWORD tag;
        FileKind kind;
    };
    const DWORD file = FILE_ATTRIBUTE_ARCHIVE, folder = FILE_ATTRIBUTE_DIRECTORY;
    const DWORD reparse = FILE_ATTRIBUTE_REPARSE_POINT;
    const Row rows[] = {
        {"a file", file, 0, FileKind::Regular},
        {"a folder", folder, 0, FileKind::Folder},
        {"a symbolic link to a file", file | reparse, IO_REPARSE_TAG_SYMLINK, FileKind::Link},
        {"a symbolic link to a folder", folder | reparse, IO_REPARSE_TAG_SYMLINK, FileKind::Link},
        {"a junction", folder | reparse, IO_REPARSE_TAG_MOUNT_POINT, FileKind::Link},
        {"a link made by WSL", file | reparse, kWslSymlink, FileKind::Link},
        {"a file in the cloud", file | reparse, kCloudFiles, FileKind::Regular},
        {"a file compressed by the system", file | reparse, kSystemCompressed, FileKind::Regular},
        {"a deduplicated file", file | reparse, IO_REPARSE_TAG_DEDUP, FileKind::Regular},
        {"an app execution alias", file | reparse, kAppExecutionAlias, FileKind::Regular},
        {"a tag without the attribute", file, IO_REPARSE_TAG_SYMLINK, FileKind::Regular},
    };
    for (const Row& row : rows)
        EXPECT_EQ(windowsFileKind::of(row.attributes, row.tag), row.kind) << row.name;
}

// Needs a system that makes symbolic links for a user: Windows in developer
// mode, or run as administrator. Wine 8 reports success but makes none.
bool makeLink(const std::filesystem::path& link, const std::filesystem::path& target)
{
    ::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    const DWORD attributes = ::GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST(WindowsReparseTest, ALinkWhereAFileIsExpectedIsNeverFollowed)
{
    test::HeldFolder held;
    held.put("picture.tga", "the user's picture");
    if (!makeLink(held / "a.tga", held / "picture.tga"))
        GTEST_SKIP() << "this system makes no symbolic links for us (Wine, or Windows without developer mode)";
    FileSystem& fs = held.fs();
    const auto opened = openRegular(held.handle(), "a.tga", Open::Read | Open::NoFollow, FailureCause::CannotRead);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().systemError, ELOOP);
    const auto itself = fs.statusAt(held.handle(), "a.tga", FileSystem::Links::NotFollowed);
    ASSERT_TRUE(itself);
    EXPECT_EQ(itself->kind, FileKind::Link);
    const auto target = fs.statusAt(held.handle(), "a.tga", FileSystem::Links::Followed);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->kind, FileKind::Regular);
    auto log = fs.openAt(held.handle(), "a.tga", Open::Write | Open::Append | Open::Create | Open::NoFollow);
    EXPECT_FALSE(log);
    EXPECT_EQ(held.contentsOf("picture.tga"), "the user's picture");
}

} // namespace
} // namespace pellora
