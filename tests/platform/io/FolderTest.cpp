#include "platform/io/FolderEntries.h"

#include "platform/io/Folder.h"
#include "platform/io/FileSystem.h"
#include "support/NonRegularFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>

namespace pellora {
namespace {

// Some file systems tell no entry's kind as they list it (DT_UNKNOWN): the
// answer must be the same as where they do.
TEST(FolderEntries, TellsAnEntrysKindWhetherOrNotTheListingSaysIt)
{
    test::TempDir dir;
    test::writeBytes(dir / "file", {1});
    std::filesystem::create_directory(dir / "folder");
    struct Kind {
        bool regular, folder;
    };
    std::map<std::string, Kind> expected = {{"file", {true, false}}, {"folder", {false, true}}};
    // What this system can make of the rest (Windows: no FIFO; Wine: no link).
    if (test::makeLink(dir / "file", dir / "link-to-file"))
        expected["link-to-file"] = {false, false};
    if (test::makeLink(dir / "folder", dir / "link-to-folder"))
        expected["link-to-folder"] = {false, true};
    if (test::makeLink(dir / "missing", dir / "dangling"))
        expected["dangling"] = {false, false};
    if (test::makeFifo(dir / "fifo"))
        expected["fifo"] = {false, false};

    auto folder = Folder::open(systemFileSystem(), dir.path());
    ASSERT_TRUE(folder.has_value());
    FolderEntries entries(folder->handle(), ".");
    std::map<std::string, Kind> seen;
    while (auto entry = entries.next()) {
        const Kind listed{entries.isRegularFile(*entry), entries.leadsToFolder(*entry)};
        entry->kind = FileKind::Unknown;
        const Kind looked{entries.isRegularFile(*entry), entries.leadsToFolder(*entry)};
        EXPECT_EQ(listed.regular, looked.regular) << entry->name;
        EXPECT_EQ(listed.folder, looked.folder) << entry->name;
        seen[entry->name] = looked;
    }
    EXPECT_EQ(entries.error(), 0);
    ASSERT_EQ(seen.size(), expected.size());
    for (const auto& [name, kind] : expected) {
        EXPECT_EQ(seen[name].regular, kind.regular) << name;
        EXPECT_EQ(seen[name].folder, kind.folder) << name;
    }
}

TEST(FolderEntries, AFolderThatCannotBeListedIsAnErrorNotAnEmptyList)
{
    test::TempDir dir;
    test::writeBytes(dir / "file", {1});
    FolderEntries missing(systemFileSystem().workingFolder(), dir / "missing");
    EXPECT_FALSE(missing.next().has_value());
    EXPECT_EQ(missing.error(), ENOENT);
    FolderEntries notAFolder(systemFileSystem().workingFolder(), dir / "file");
    EXPECT_FALSE(notAFolder.next().has_value());
    EXPECT_EQ(notAFolder.error(), ENOTDIR);
}

TEST(Folder, OpensOnlyAFolderAndWithinOneNeverThroughALink)
{
    test::TempDir dir;
    test::writeBytes(dir / "file", {1});
    std::filesystem::create_directory(dir / "folder");
    const bool linked = test::makeLink(dir / "folder", dir / "link");
    if (linked) {
        EXPECT_TRUE(Folder::open(systemFileSystem(), dir / "link").has_value()) << "a folder the user names by a link is that folder";
    }
    EXPECT_EQ(Folder::open(systemFileSystem(), dir / "file").error().systemError, ENOTDIR);
    EXPECT_EQ(Folder::open(systemFileSystem(), dir / "missing").error().systemError, ENOENT);
    EXPECT_EQ(Folder::open(systemFileSystem(), std::string((dir / "folder").string() + '\0' + "x")).error().systemError, EINVAL);

    auto parent = Folder::open(systemFileSystem(), dir.path());
    ASSERT_TRUE(parent.has_value());
    EXPECT_TRUE(Folder::openIn(*parent, "folder").has_value());
    if (linked) {
        EXPECT_FALSE(Folder::openIn(*parent, "link").has_value());
    }
    EXPECT_TRUE(parent->sync().has_value());
}

} // namespace
} // namespace pellora
