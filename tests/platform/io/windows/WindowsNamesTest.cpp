#include "HeldFolder.h"
#include "OtherProgram.h"

#include "platform/io/FileSystem.h"
#include "platform/io/WriteAll.h"
#include "platform/text/PathText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace pellora {
namespace {

using pathText::toPath;

bool listed(const FileHandle& folder, const std::string& name)
{
    const FolderListing listing = folder.fileSystem().listAt(folder, ".");
    return listing.end && std::any_of(listing.entries.begin(), listing.entries.end(),
                                      [&](const FolderEntry& entry) { return entry.name == name; });
}

std::string contentsThrough(FileSystem& fs, const FileHandle& folder, const std::string& name)
{
    auto file = fs.openAt(folder, toPath(name), Open::Read | Open::NoFollow);
    if (!file)
        return "(cannot open: " + std::to_string(file.error().systemError) + ")";
    std::string bytes(64, '\0');
    const auto n = readAllAt(*file, bytes.data(), bytes.size(), 0);
    bytes.resize(n ? *n : 0);
    return bytes;
}

// Every name goes to the system as UTF-16 and comes back from a listing as
// the same UTF-8: Japanese names, and names code page 932 cannot hold.
TEST(WindowsNamesTest, AnyNameAFileMayHaveIsMadeListedMovedAndRemovedAsItIs)
{
    const std::string names[] = {
        "sshot001.jpg",
        "スクリーンショット.tga",    // in code page 932
        "ｽｸｼｮ001.jpg",                // half-width katakana, one byte each there
        "表示①.tga",                  // NEC's special characters, in Windows' table
        "😀 smile.tga",               // outside the basic plane: a surrogate pair
        "한국어 ñ.tga",               // outside code page 932
        "trailing space .tga",
        "ends in a dot.",             // made through "\\?\" by another program, say
        "ends in a blank ",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        test::HeldFolder held;
        FileSystem& fs = held.fs();
        auto file = fs.openAt(held.handle(), toPath(name), Open::Write | Open::Create | Open::Exclusive | Open::NoFollow);
        ASSERT_TRUE(file) << file.error().systemError;
        ASSERT_TRUE(writeAll(*file, "picture", 7));
        ASSERT_TRUE(file->close());
        // Read back through the backend: the C runtime's own calls drop a
        // name's final dots and blanks, as Windows' calls do without "\\?\".
        EXPECT_EQ(contentsThrough(fs, held.handle(), name), "picture");
        EXPECT_TRUE(listed(held.handle(), name));
        const auto status = fs.statusAt(held.handle(), toPath(name), FileSystem::Links::NotFollowed);
        ASSERT_TRUE(status);
        EXPECT_TRUE(status->isRegular());
        EXPECT_EQ(status->size, 7);
        const std::string moved = "moved " + name;
        ASSERT_TRUE(fs.renameNoReplaceAt(held.handle(), toPath(name), held.handle(), toPath(moved)));
        EXPECT_EQ(held.names(), std::vector<std::string>{moved});
        ASSERT_TRUE(fs.unlinkAt(held.handle(), toPath(moved)));
        EXPECT_TRUE(held.names().empty());
    }
}

// A prefix is the user's text: "a:b" would write into a stream of a file
// "a", "CON" to the console, and the others are refused by Windows in ways
// that differ by version. None of them ever reaches the system as a name.
TEST(WindowsNamesTest, ANameNoFileMayHaveIsRefusedAndNothingIsMade)
{
    const std::string names[] = {"a:b001.jpg", "a:", "CON", "aux", "com1", "a?b.jpg", "a*b.jpg",
                                 "a<b.jpg",    "a>b", "a|b", "a\"b", "tab\there", std::string("nul\0x", 5)};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        test::HeldFolder held;
        held.put("a", "the user's file");
        auto file = held.fs().openAt(held.handle(), toPath(name), Open::Write | Open::Create | Open::Exclusive);
        ASSERT_FALSE(file);
        EXPECT_EQ(file.error().systemError, EINVAL);
        EXPECT_EQ(held.names(), std::vector<std::string>{"a"});
        EXPECT_FALSE(held.fs().renameNoReplaceAt(held.handle(), "a", held.handle(), toPath(name)));
        EXPECT_EQ(held.contentsOf("a"), "the user's file");
    }
}

// Removes the folders `deep` made in `held`, innermost first: the standard
// library's remove_all stops at 260 characters.
void removeDeep(const test::HeldFolder& held, std::filesystem::path deep)
{
    for (; !deep.empty(); deep = deep.parent_path())
        ::RemoveDirectoryW((L"\\\\?\\" + (held / pathText::toText(deep)).native()).c_str());
}

// Names are given verbatim ("\\?\"), so a deep output folder works past the
// 260 characters Windows' calls once stopped at.
TEST(WindowsNamesTest, PathsLongerThanTheOldLimitOfWindowsWork)
{
    test::HeldFolder held;
    FileSystem& fs = held.fs();
    std::filesystem::path deep;
    for (int level = 0; level < 6; ++level) {
        deep /= toPath(std::string(60, 'x') + std::to_string(level));
        ASSERT_TRUE(fs.mkdirAt(held.handle(), deep));
    }
    const std::filesystem::path name = deep / "sshot001.jpg";
    auto file = fs.openAt(held.handle(), name, Open::Write | Open::Create | Open::Exclusive);
    ASSERT_TRUE(file) << file.error().systemError;
    ASSERT_TRUE(file->close());
    const auto status = fs.statusAt(held.handle(), name, FileSystem::Links::NotFollowed);
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->isRegular());
    FolderListing listed;
    {
        auto inner = Folder::openIn(held.folder(), deep);
        ASSERT_TRUE(inner);
        listed = fs.listAt(inner->handle(), ".");
    } // held no more, so that it can be removed
    ASSERT_TRUE(fs.unlinkAt(held.handle(), name));
    removeDeep(held, deep);
    if (!listed.end && listed.end.error().systemError == ENAMETOOLONG)
        GTEST_SKIP() << "Wine's GetFinalPathNameByHandleW stops at 260 characters: a deep folder's own names "
                        "cannot be looked up from its handle";
    ASSERT_TRUE(listed.end);
    ASSERT_EQ(listed.entries.size(), 1u);
    EXPECT_EQ(listed.entries[0].name, "sshot001.jpg");
}

// Names are found from the path the folder's handle has: nobody may move or
// remove the folder while a run holds it, so that path is the run's folder.
TEST(WindowsNamesTest, AHeldFolderCanBeNeitherMovedNorRemoved)
{
    test::HeldFolder held;
    ASSERT_TRUE(held.fs().mkdirAt(held.handle(), "in"));
    auto in = Folder::openIn(held.folder(), "in");
    ASSERT_TRUE(in);
    EXPECT_EQ(test::otherProgram::move(held / "in", held / "elsewhere"), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_FALSE(::RemoveDirectoryW((held / "in").c_str()));
    EXPECT_EQ(held.names(), std::vector<std::string>{"in"});
    auto file = held.fs().openAt(in->handle(), "a.tga", Open::Write | Open::Create | Open::Exclusive);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->close());
    EXPECT_TRUE(held.has("in\\a.tga"));
}

TEST(WindowsNamesTest, AFileUnderAFoldersNameIsNoFolder)
{
    test::HeldFolder held;
    held.put("file", "");
    const auto opened = Folder::openIn(held.folder(), "file");
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().systemError, ENOTDIR);
}

} // namespace
} // namespace pellora
