#include "HeldFolder.h"
#include "OtherProgram.h"

#include "log/OperationLog.h"
#include "platform/io/AtomicFile.h"
#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/io/WriteAll.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <functional>
#include <optional>

namespace pellora {
namespace {

namespace other = test::otherProgram;
using Mode = AtomicFile::Mode;

std::string readAll(const FileHandle& file)
{
    std::string bytes(64, '\0');
    const auto n = readAllAt(file, bytes.data(), bytes.size(), 0);
    bytes.resize(n ? *n : 0);
    return bytes;
}

// MoveFileExW without MOVEFILE_REPLACE_EXISTING refuses a taken name in the
// same step as the move, whatever holds the name.
TEST(WindowsPromiseTest, TheMoveThatNeverReplacesLeavesATakenNameAsItWas)
{
    struct Row {
        const char* name;
        std::function<void(const test::HeldFolder&, std::optional<UniqueHandle>&)> arrange;
        int error; // 0: moved
    };
    const Row rows[] = {
        {"a free name", [](auto&, auto&) {}, 0},
        {"a file of the user's", [](auto& held, auto&) { held.put("sshot001.jpg", "old"); }, EEXIST},
        {"a folder", [](auto& held, auto&) { std::filesystem::create_directory(held / "sshot001.jpg"); }, EEXIST},
        {"a file a viewer holds, sharing no deletion",
         [](auto& held, auto& viewer) {
             held.put("sshot001.jpg", "old");
             viewer = other::open(held / "sshot001.jpg", GENERIC_READ, FILE_SHARE_READ);
         },
         EEXIST},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::HeldFolder held;
        std::optional<UniqueHandle> viewer;
        row.arrange(held, viewer);
        FileSystem& fs = held.fs();
        // Written and still held open by us, as an AtomicFile holds its file.
        auto temporary = fs.openAt(held.handle(), "new.tmp", Open::Write | Open::Create | Open::Exclusive);
        ASSERT_TRUE(temporary && writeAll(*temporary, "new", 3) && fs.sync(*temporary));
        const Status moved = fs.renameNoReplaceAt(held.handle(), "new.tmp", held.handle(), "sshot001.jpg");
        EXPECT_EQ(moved ? 0 : moved.error().systemError, row.error);
        if (row.error == 0) {
            EXPECT_EQ(held.contentsOf("sshot001.jpg"), "new");
        } else if (std::filesystem::is_regular_file(held / "sshot001.jpg")) {
            EXPECT_EQ(held.contentsOf("sshot001.jpg"), "old");
        }
        EXPECT_EQ(held.has("new.tmp"), row.error != 0);
    }
}

// A virus scanner or an indexer that opens a new file for a moment, sharing
// no deletion, delays its move; one that keeps it open fails it, and the
// name stays free.
TEST(WindowsPromiseTest, AMoveWaitsForAProgramThatHoldsTheNewFileForAMoment)
{
    struct Row {
        const char* name;
        std::chrono::milliseconds held; // how long the scanner keeps it open; 0: all along
        int error;
    };
    const Row rows[] = {
        {"a moment", std::chrono::milliseconds(150), 0},
        {"all along", std::chrono::milliseconds(0), EBUSY},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::HeldFolder held;
        held.put("new.tmp", "new");
        UniqueHandle scanner = other::open(held / "new.tmp", GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(scanner.valid());
        std::thread letGo;
        if (row.held.count() > 0)
            letGo = std::thread([&] {
                std::this_thread::sleep_for(row.held);
                scanner.reset();
            });
        const Status moved = held.fs().renameNoReplaceAt(held.handle(), "new.tmp", held.handle(), "sshot001.jpg");
        if (letGo.joinable())
            letGo.join();
        scanner.reset();
        EXPECT_EQ(moved ? 0 : moved.error().systemError, row.error);
        EXPECT_EQ(held.has("sshot001.jpg"), row.error == 0);
        EXPECT_EQ(held.has("new.tmp"), row.error != 0);
    }
}

// The picture's way (never replace) and the settings' way (replace at once).
TEST(WindowsPromiseTest, AnAtomicFileAppearsCompleteOrLeavesTheNameAsItWas)
{
    struct Row {
        Mode mode;
        bool taken;
        std::optional<FailureCause> failure;
        const char* after;
    };
    const Row rows[] = {
        {Mode::NeverReplace, false, std::nullopt, "new"},
        {Mode::NeverReplace, true, FailureCause::DestinationExists, "old"},
        {Mode::Replace, false, std::nullopt, "new"},
        {Mode::Replace, true, std::nullopt, "new"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.mode == Mode::Replace ? "replace" : "never replace") +
                     (row.taken ? ", name taken" : ", name free"));
        test::HeldFolder held;
        if (row.taken)
            held.put("Pellora.ini", "old");
        auto file = AtomicFile::create(held.folder(), "Pellora.ini", row.mode);
        ASSERT_TRUE(file);
        ASSERT_TRUE(writeAll(file->file(), "new", 3));
        const Status committed = file->commit();
        EXPECT_EQ(committed ? std::nullopt : std::optional(committed.error().cause), row.failure);
        EXPECT_EQ(held.contentsOf("Pellora.ini"), row.after);
        EXPECT_EQ(held.names(), std::vector<std::string>{"Pellora.ini"}) << "a temporary file was left";
    }
}

// The game may still be writing a screenshot when we read it: we share
// writing, so it goes on; only the check before a delete waits for it.
TEST(WindowsPromiseTest, TheGameGoesOnWritingWhatWeRead)
{
    const DWORD gameSharing[] = {other::kLikeFopen, FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_DELETE};
    for (const DWORD sharing : gameSharing) {
        SCOPED_TRACE(sharing);
        test::HeldFolder held;
        const UniqueHandle game = other::open(held / "shot.tga", GENERIC_WRITE, sharing, CREATE_NEW);
        ASSERT_TRUE(game.valid() && other::write(game.get(), "first "));
        auto read = openRegular(held.handle(), "shot.tga", Open::Read | Open::NoFollow, FailureCause::CannotRead);
        ASSERT_TRUE(read) << read.error().systemError;
        EXPECT_TRUE(other::write(game.get(), "second")) << ::GetLastError();
        EXPECT_EQ(readAll(read->handle), "first second");
        const auto toDelete = openRegular(held.handle(), "shot.tga", Open::Read | Open::NoFollow | Open::ToDelete,
                                          FailureCause::CannotRead);
        ASSERT_FALSE(toDelete);
        EXPECT_EQ(toDelete.error().systemError, EBUSY);
    }
}

// Between the check of a source and its delete nobody may write, move,
// replace or delete it; looking at it is still allowed.
TEST(WindowsPromiseTest, WhileASourceIsCheckedNobodyMayChangeIt)
{
    test::HeldFolder held;
    held.put("a.tga", "picture");
    held.put("other.tga", "another picture");
    auto checked = held.fs().openAt(held.handle(), "a.tga", Open::Read | Open::NoFollow | Open::ToDelete);
    ASSERT_TRUE(checked);
    EXPECT_FALSE(other::open(held / "a.tga", GENERIC_WRITE, other::kLikeFopen).valid());
    EXPECT_EQ(::GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_EQ(other::move(held / "a.tga", held / "b.tga"), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_NE(other::move(held / "other.tga", held / "a.tga", MOVEFILE_REPLACE_EXISTING), DWORD{0});
    EXPECT_FALSE(::DeleteFileW((held / "a.tga").c_str()));
    EXPECT_TRUE(held.fs().statusAt(held.handle(), "a.tga", FileSystem::Links::NotFollowed));
    ASSERT_TRUE(checked->close());
    EXPECT_EQ(held.contentsOf("a.tga"), "picture");
    EXPECT_EQ(held.contentsOf("other.tga"), "another picture");
}

// The delete is marked on the handle the source was checked with, and the
// file goes when that handle is closed: the very file that was checked.
TEST(WindowsPromiseTest, ACheckedSourceGoesWhenTheHandleItWasCheckedWithCloses)
{
    test::HeldFolder held;
    held.put("a.tga", "picture");
    FileSystem& fs = held.fs();
    auto checked = fs.openAt(held.handle(), "a.tga", Open::Read | Open::NoFollow | Open::ToDelete);
    ASSERT_TRUE(checked);
    ASSERT_TRUE(fs.unlinkOpened(*checked, held.handle(), "a.tga"));
    ASSERT_TRUE(checked->close());
    EXPECT_TRUE(held.names().empty());
}

TEST(WindowsPromiseTest, AReadOnlySourceRefusesItsDelete)
{
    test::HeldFolder held;
    held.put("a.tga", "picture");
    ASSERT_TRUE(::SetFileAttributesW((held / "a.tga").c_str(), FILE_ATTRIBUTE_READONLY));
    FileSystem& fs = held.fs();
    const auto status = fs.statusAt(held.handle(), "a.tga", FileSystem::Links::NotFollowed);
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->ownerMayWrite());
    auto checked = fs.openAt(held.handle(), "a.tga", Open::Read | Open::NoFollow | Open::ToDelete);
    ASSERT_TRUE(checked);
    const Status deleted = fs.unlinkOpened(*checked, held.handle(), "a.tga");
    ASSERT_FALSE(deleted);
    EXPECT_EQ(deleted.error().systemError, EACCES);
    ASSERT_TRUE(checked->close());
    EXPECT_EQ(held.contentsOf("a.tga"), "picture");
    ::SetFileAttributesW((held / "a.tga").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A lock covers one byte past any picture: it tells a sweeper that its
// writer is alive without keeping anyone from reading what was written.
TEST(WindowsPromiseTest, ALiveWritersTemporaryFileIsNeverSweptAnAbandonedOneIs)
{
    test::HeldFolder held;
    auto created = temporaryFiles::createLocked(held.handle(), ".", 0644);
    ASSERT_TRUE(created);
    ASSERT_TRUE(writeAll(created->file, "half a picture", 14));
    auto reader = held.fs().openAt(held.handle(), created->path, Open::Read);
    ASSERT_TRUE(reader);
    EXPECT_EQ(readAll(*reader), "half a picture");
    const Status second = held.fs().tryLock(*reader);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().systemError, EWOULDBLOCK);
    ASSERT_TRUE(reader->close());
    EXPECT_EQ(temporaryFiles::sweep(held.folder()), 0);
    EXPECT_EQ(held.names().size(), 1u);
    ASSERT_TRUE(created->file.close()); // as a killed writer's handles are closed
    EXPECT_EQ(temporaryFiles::sweep(held.folder()), 1);
    EXPECT_TRUE(held.names().empty());
}

// Appending without the right to write anywhere else: each line lands at
// the end, whoever appended meanwhile.
TEST(WindowsPromiseTest, TheLogIsAppendedAtItsEndAndOnlyToARegularFile)
{
    test::HeldFolder held;
    ASSERT_TRUE(operationLog::appendLine("一行目", held.handle(), "kavlog.txt"));
    const UniqueHandle editor = other::open(held / "kavlog.txt", FILE_APPEND_DATA, other::kLikeFopen);
    ASSERT_TRUE(editor.valid() && other::write(editor.get(), "x\r\n"));
    ASSERT_TRUE(operationLog::appendLine("abc", held.handle(), "kavlog.txt"));
    EXPECT_EQ(held.contentsOf("kavlog.txt"), "\x88\xea\x8d\x73\x96\xda\r\nx\r\nabc\r\n");

    std::filesystem::create_directory(held / "folder.txt");
    const Status intoFolder = operationLog::appendLine("abc", held.handle(), "folder.txt");
    ASSERT_FALSE(intoFolder);
    EXPECT_EQ(intoFolder.error().cause, FailureCause::NotRegularFile);
}

TEST(WindowsPromiseTest, AFileAndTheFolderItsNameIsInAreFlushed)
{
    test::HeldFolder held;
    auto file = held.fs().openAt(held.handle(), "a.jpg", Open::Write | Open::Create | Open::Exclusive);
    ASSERT_TRUE(file && writeAll(*file, "jpeg", 4));
    EXPECT_TRUE(held.fs().sync(*file));
    EXPECT_TRUE(held.folder().sync());
    auto searchOnly = held.fs().openAt(held.handle(), ".", Open::SearchOnly | Open::Folder);
    ASSERT_TRUE(searchOnly);
    EXPECT_TRUE(held.fs().sync(*searchOnly));
}

} // namespace
} // namespace pellora
