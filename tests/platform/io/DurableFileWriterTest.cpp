#include "platform/io/DurableFileWriter.h"

#include "platform/io/TempFileName.h"
#include "platform/io/TempFileSweeper.h"
#include "support/FakeFileSystem.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace pellora {
namespace {

using Op = test::FakeFileSystem::Op;

const std::vector<std::uint8_t> kBytes = {0xFF, 0xD8, 1, 2, 3, 4, 5, 0xFF, 0xD9};

class DurableFileWriterTest : public ::testing::Test {
protected:
    JpegWriteStatus write(const std::string& name, std::optional<timespec> time = std::nullopt)
    {
        return DurableFileWriter::write(dir / name, kBytes, time);
    }

    test::TempDir dir;
    test::FakeFileSystem fs;
    ScopedFileSystem seam{fs};
};

TEST_F(DurableFileWriterTest, SyncsDataThenRenamesThenSyncsTheFolder)
{
    ASSERT_EQ(write("a.jpg"), JpegWriteStatus::Written);
    EXPECT_EQ(test::readBytes(dir / "a.jpg"), std::vector<unsigned char>(kBytes.begin(), kBytes.end()));
    const int dataSync = fs.indexOf("fsync .pellora-");
    const int rename = fs.indexOf("rename .pellora-");
    const int folderSync = fs.indexOf("fsync " + dir.path().filename().string());
    ASSERT_GE(dataSync, 0);
    EXPECT_LT(dataSync, rename);
    EXPECT_LT(rename, folderSync);
    EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"a.jpg"});
}

TEST_F(DurableFileWriterTest, NeverReplacesAnExistingFile)
{
    test::writeBytes(dir / "a.jpg", {'o', 'l', 'd'});
    EXPECT_EQ(write("a.jpg"), JpegWriteStatus::DestinationExists);
    EXPECT_EQ(test::readText(dir / "a.jpg"), "old");
    EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"a.jpg"});
}

TEST_F(DurableFileWriterTest, EveryFailingStepLeavesNothingBehind)
{
    struct Case {
        Op op;
        int error;
        JpegWriteStatus expected;
    };
    const Case cases[] = {
        {Op::Open, EACCES, JpegWriteStatus::CannotCreate},
        {Op::Write, ENOSPC, JpegWriteStatus::CannotWrite},
        {Op::Fsync, EIO, JpegWriteStatus::CannotWrite},
        {Op::RenameNoReplace, EXDEV, JpegWriteStatus::CannotCommit},
    };
    for (const Case& c : cases) {
        test::FakeFileSystem failing;
        failing.fail(c.op, c.error, "", 1);
        ScopedFileSystem inner(failing);
        EXPECT_EQ(write("a.jpg"), c.expected) << static_cast<int>(c.op);
        EXPECT_TRUE(test::listNames(dir.path()).empty()) << static_cast<int>(c.op);
    }
}

TEST_F(DurableFileWriterTest, AFolderThatCannotBeSyncedTakesTheFileBack)
{
    test::FakeFileSystem failing;
    failing.fail(Op::Fsync, EIO, dir.path().filename().string());
    ScopedFileSystem inner(failing);
    EXPECT_EQ(write("a.jpg"), JpegWriteStatus::CannotCommit);
    EXPECT_TRUE(test::listNames(dir.path()).empty());
}

TEST_F(DurableFileWriterTest, ShortWritesStillWriteEverything)
{
    fs.limitWrites(2);
    ASSERT_EQ(write("a.jpg"), JpegWriteStatus::Written);
    EXPECT_EQ(test::readBytes(dir / "a.jpg").size(), kBytes.size());
}

TEST_F(DurableFileWriterTest, KeepsTheGivenModificationTime)
{
    const timespec taken{1'000'000'000, 123'000'000};
    ASSERT_EQ(write("a.jpg", taken), JpegWriteStatus::Written);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "a.jpg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, taken.tv_sec);
    EXPECT_EQ(info.st_mtim.tv_nsec, taken.tv_nsec);
}

TEST_F(DurableFileWriterTest, AMissingFolderIsAFailureNotACrash)
{
    EXPECT_EQ(DurableFileWriter::write(dir / "missing" / "a.jpg", kBytes, std::nullopt), JpegWriteStatus::CannotCreate);
}

TEST(TempFileSweeper, RemovesOnlyAbandonedFilesOfOurOwnPattern)
{
    test::TempDir dir;
    const auto abandoned = TempFileName::next(dir.path());
    const auto live = TempFileName::next(dir.path());
    test::writeBytes(abandoned, {1});
    test::writeBytes(live, {2});
    test::writeBytes(dir / ".pellora-notours.tmp", {3});
    test::writeBytes(dir / "sshot001.jpg", {4});
    test::writeBytes(dir / ".pellora-0123456789ABCDEF.tmp", {5}); // upper case: not a name we write

    // Another run is still writing `live`: it holds the lock.
    const int fd = ::open(live.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    EXPECT_EQ(TempFileSweeper::sweep(dir.path()), 1);
    ::close(fd);
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_EQ(test::listNames(dir.path()).size(), 4u);
}

} // namespace
} // namespace pellora
