#include "platform/io/AtomicFile.h"

#include "platform/io/Folder.h"
#include "platform/io/SpareTemporaryFiles.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/io/WriteAll.h"
#include "support/FakeFileSystem.h"
#include "support/FileTimes.h"
#include "support/NonRegularFiles.h"
#include "support/RivalSweep.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>

namespace pellora {
namespace {

using Op = test::FakeFileSystem::Op;
using Mode = AtomicFile::Mode;

const std::vector<std::uint8_t> kBytes = {0xFF, 0xD8, 1, 2, 3, 4, 5, 0xFF, 0xD9};
const std::vector<unsigned char> kOld = {'o', 'l', 'd'};

// Writes `bytes` to `destination` through an atomic file.
Status writeAtomically(FileSystem& files, const std::filesystem::path& destination, Mode mode,
                                       const std::vector<std::uint8_t>& bytes = kBytes,
                                       std::optional<timespec> time = std::nullopt)
{
    auto file = AtomicFile::create(files, destination, mode);
    if (!file)
        return unexpected(file.error());
    if (const Status written = writeAll(file->file(), bytes.data(), bytes.size()); !written)
        return unexpected(Failure::of(FailureCause::CannotWrite, written.error().systemError));
    if (time)
        [[maybe_unused]] const Status dated = file->file().fileSystem().setModificationTime(file->file(), *time);
    return file->commit();
}

// Nothing after a success, so a table can hold both outcomes.
std::optional<FailureCause> causeOf(const Status& status)
{
    return status ? std::nullopt : std::optional(status.error().cause);
}

class AtomicFileTest : public ::testing::TestWithParam<Mode> {
protected:
    std::optional<FailureCause> write(const std::string& name, std::optional<timespec> time = std::nullopt)
    {
        return writeThrough(fs, name, time);
    }
    std::optional<FailureCause> writeThrough(FileSystem& files, const std::string& name,
                                             std::optional<timespec> time = std::nullopt)
    {
        return causeOf(writeAtomically(files, dir / name, GetParam(), kBytes, time));
    }
    bool replacing() const { return GetParam() == Mode::Replace; }

    test::TempDir dir;
    test::FakeFileSystem fs;
};

TEST_P(AtomicFileTest, SyncsDataThenMovesThenSyncsTheFolder)
{
    ASSERT_EQ(write("a.jpg"), std::nullopt);
    EXPECT_EQ(test::readBytes(dir / "a.jpg"), std::vector<unsigned char>(kBytes.begin(), kBytes.end()));
    const int dataSync = fs.indexOf("fsync .pellora-");
    const int move = fs.indexOf(replacing() ? "replace .pellora-" : "rename .pellora-");
    const int folderSync = fs.indexOf("fsync " + dir.path().filename().string());
    ASSERT_GE(dataSync, 0);
    EXPECT_LT(dataSync, move);
    EXPECT_LT(move, folderSync);
    EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"a.jpg"});
}

TEST_P(AtomicFileTest, AnExistingFileIsReplacedOnlyWhenAskedFor)
{
    test::writeBytes(dir / "a.jpg", kOld);
    if (replacing()) {
        EXPECT_EQ(write("a.jpg"), std::nullopt);
        EXPECT_EQ(test::readBytes(dir / "a.jpg"), std::vector<unsigned char>(kBytes.begin(), kBytes.end()));
    } else {
        EXPECT_EQ(write("a.jpg"), FailureCause::DestinationExists);
        EXPECT_EQ(test::readBytes(dir / "a.jpg"), kOld);
    }
    EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"a.jpg"});
}

TEST_P(AtomicFileTest, EveryFailingStepLeavesTheOldFileAndNothingElse)
{
    struct Case {
        Op op;
        int error;
        FailureCause expected;
    };
    const Case cases[] = {
        {Op::Open, EACCES, FailureCause::CannotCreate},
        {Op::Write, ENOSPC, FailureCause::CannotWrite},
        {Op::Fsync, EIO, FailureCause::CannotWrite},
        {Op::Rename, EXDEV, FailureCause::CannotCommit}, // either kind of rename
    };
    for (const bool oldFile : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(static_cast<int>(c.op)) + (oldFile ? " over an old file" : ""));
            const std::string name = oldFile ? "old.jpg" : "a.jpg";
            if (oldFile)
                test::writeBytes(dir / name, kOld);
            test::FakeFileSystem failing;
            failing.fail(c.op, c.error, "", 1);
            EXPECT_EQ(writeThrough(failing, name), c.expected);
            EXPECT_EQ(test::listNames(dir.path()), oldFile ? std::vector<std::string>{name} : std::vector<std::string>{});
            if (oldFile) {
                EXPECT_EQ(test::readBytes(dir / name), kOld);
            }
        }
    }
}

TEST_P(AtomicFileTest, AFolderThatCannotBeSyncedTakesANewPictureBackButNotAReplacement)
{
    test::FakeFileSystem failing;
    failing.fail(Op::Fsync, EIO, dir.path().filename().string());
    if (replacing()) {
        EXPECT_EQ(writeThrough(failing, "a.jpg"), std::nullopt) << "the old contents are no longer at risk";
        EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"a.jpg"});
    } else {
        EXPECT_EQ(writeThrough(failing, "a.jpg"), FailureCause::CannotCommit);
        EXPECT_TRUE(test::listNames(dir.path()).empty());
    }
}

TEST_P(AtomicFileTest, ShortWritesStillWriteEverything)
{
    fs.limitWrites(2);
    ASSERT_EQ(write("a.jpg"), std::nullopt);
    EXPECT_EQ(test::readBytes(dir / "a.jpg").size(), kBytes.size());
}

TEST_P(AtomicFileTest, CommittingKeepsTheModificationTimeGiven)
{
    const timespec taken{1'000'000'000, 123'000'000};
    ASSERT_EQ(write("a.jpg", taken), std::nullopt);
    const timespec modified = test::fileTimes(dir / "a.jpg").modified;
    EXPECT_EQ(modified.tv_sec, taken.tv_sec);
    EXPECT_EQ(modified.tv_nsec, taken.tv_nsec);
}

TEST_P(AtomicFileTest, AMissingFolderIsAFailureNotACrash)
{
    EXPECT_EQ(causeOf(writeAtomically(fs, dir / "missing" / "a.jpg", GetParam())), FailureCause::CannotCreate);
}

TEST_P(AtomicFileTest, WhileWrittenItsTemporaryFileIsOursAndLockedAgainstTheSweeper)
{
    auto file = AtomicFile::create(fs, dir / "a.jpg", GetParam());
    ASSERT_TRUE(file.has_value());
    const auto names = test::listNames(dir.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(temporaryFiles::isOurs(names[0])) << names[0];
    EXPECT_EQ(temporaryFiles::sweep(fs, dir.path()), 0);
    EXPECT_EQ(test::listNames(dir.path()), names);
}

TEST_P(AtomicFileTest, ASweepBetweenCreatingTheTemporaryFileAndLockingItTakesNothingOfOurs)
{
    using Moment = test::RivalSweep::Moment;
    for (const Moment moment : {Moment::Whole, Moment::Holding}) {
        SCOPED_TRACE(test::RivalSweep::nameOf(moment));
        test::TempDir here;
        {
            test::RivalSweep rival(here.path());
            test::FakeFileSystem racing;
            racing.after(Op::Open, "create .pellora-", rival.at(moment));
            EXPECT_EQ(causeOf(writeAtomically(racing, here / "a.jpg", GetParam())), std::nullopt);
        } // the holding sweeper lets go: on Windows only then is a file it removed gone
        EXPECT_EQ(test::listNames(here.path()), std::vector<std::string>{"a.jpg"});
        if (std::filesystem::exists(here / "a.jpg")) {
            EXPECT_EQ(test::readBytes(here / "a.jpg"), std::vector<unsigned char>(kBytes.begin(), kBytes.end()));
        }
    }
}

TEST_P(AtomicFileTest, InAFolderMovedMeanwhileItLandsOrIsRemovedWhereTheFolderWent)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to move a folder a run holds open: nothing can land elsewhere";
#endif
    for (const bool link : {false, true}) {
        for (const bool commit : {true, false}) {
            SCOPED_TRACE(std::string(link ? "a link put where the folder was, " : "") + (commit ? "committed" : "dropped"));
            test::TempDir here;
            std::filesystem::create_directory(here / "a");
            auto folder = Folder::open(fs, here / "a");
            ASSERT_TRUE(folder.has_value());
            {
                auto file = AtomicFile::create(*folder, "x.jpg", GetParam());
                ASSERT_TRUE(file.has_value());
                ASSERT_TRUE(writeAll(file->file(), kBytes.data(), kBytes.size()).has_value());
                std::filesystem::rename(here / "a", here / "b");
                if (link) {
                    std::filesystem::create_directory(here / "elsewhere");
                    std::filesystem::create_directory_symlink(here / "elsewhere", here / "a");
                }
                if (commit) {
                    EXPECT_EQ(causeOf(file->commit()), std::nullopt);
                }
            }
            EXPECT_EQ(test::listNames(here / "b"), commit ? std::vector<std::string>{"x.jpg"} : std::vector<std::string>{});
            if (link) {
                EXPECT_TRUE(test::listNames(here / "elsewhere").empty());
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, AtomicFileTest, ::testing::Values(Mode::NeverReplace, Mode::Replace),
                         [](const auto& info) { return std::string(info.param == Mode::Replace ? "Replace" : "NeverReplace"); });

struct CommitCase {
    const char* name;
    std::vector<std::tuple<Op, int, std::string>> faults;
    std::optional<FailureCause> cause;
    int error; // the cause the failure must keep
};

TEST(AtomicFileNeverReplace, EachMeansIsTriedOnlyWhenTheFileSystemLacksTheOneBefore)
{
    const CommitCase cases[] = {
        {"everything offered", {}, std::nullopt, 0},
        {"no rename that refuses to replace", {{Op::RenameNoReplace, ENOSYS, ""}}, std::nullopt, 0},
        {"exFAT: neither that rename nor links", {{Op::RenameNoReplace, EINVAL, ""}, {Op::Link, EPERM, ""}},
         std::nullopt, 0},
        {"a real failure is not a reason to try another means", {{Op::RenameNoReplace, EIO, ""}},
         FailureCause::CannotCommit, EIO},
        {"exFAT, and the name cannot be reserved",
         {{Op::RenameNoReplace, EINVAL, ""}, {Op::Link, EPERM, ""}, {Op::Open, EACCES, "a.jpg"}},
         FailureCause::CannotCommit, EACCES},
        {"exFAT, and the name is taken",
         {{Op::RenameNoReplace, EINVAL, ""}, {Op::Link, EPERM, ""}, {Op::Open, EEXIST, "a.jpg"}},
         FailureCause::DestinationExists, EEXIST},
        {"exFAT, and the rename over the reservation fails",
         {{Op::RenameNoReplace, EINVAL, ""}, {Op::Link, EPERM, ""}, {Op::Rename, ENOSPC, ""}},
         FailureCause::CannotCommit, ENOSPC},
        {"the folder cannot be synced", {{Op::Fsync, EIO, "dir"}}, FailureCause::CannotCommit, EIO},
    };
    const std::vector<unsigned char> picture(kBytes.begin(), kBytes.end());
    for (const CommitCase& c : cases) {
#ifdef _WIN32
        // Windows moves a file without replacing on every file system: the
        // way round Linux's exFAT (a reservation renamed over, which Windows
        // refuses while the reservation is held) is never taken there.
        if (std::string_view(c.name).find("exFAT") != std::string_view::npos)
            continue;
#endif
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const auto destination = dir / "a.jpg";
        test::FakeFileSystem fs;
        // The file works through the file system it was made in.
        auto file = AtomicFile::create(fs, destination, Mode::NeverReplace);
        ASSERT_TRUE(file.has_value());
        ASSERT_TRUE(writeAll(file->file(), kBytes.data(), kBytes.size()).has_value());
        for (const auto& [op, error, name] : c.faults)
            fs.fail(op, error, name == "dir" ? dir.path().filename().string() : name);
        const auto failure = file->commit();
        EXPECT_EQ(causeOf(failure), c.cause);
        EXPECT_EQ(failure ? 0 : failure.error().systemError, c.error);
        if (!c.cause) {
            EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"a.jpg"});
            EXPECT_EQ(test::readBytes(destination), picture);
        } else {
            EXPECT_TRUE(test::listNames(dir.path()).empty()) << "a temporary file or a reservation was left";
        }
    }
}

// Pictures committed together in one folder: each flushed and named in its
// turn, then the folder synced once for all of them. A fault in one file's
// own steps fails that file alone; a folder that cannot be synced takes
// every name back, since none of them would survive a crash.
TEST(AtomicFileNeverReplace, FilesCommittedTogetherShareOneSyncOfTheirFolder)
{
    using Cause = std::optional<FailureCause>;
    struct Fault {
        Op op;
        int error;
        std::string name; // "dir": the folder's own
        int nth;
    };
    struct Case {
        const char* name;
        std::vector<Fault> faults;
        std::vector<Cause> causes; // of a.jpg, b.jpg, c.jpg
        std::vector<std::string> left;
        int folderSyncs;
    };
    const std::vector<std::string> all{"a.jpg", "b.jpg", "c.jpg"};
    const Case cases[] = {
        {"nothing fails", {}, {std::nullopt, std::nullopt, std::nullopt}, all, 1},
        {"the second's data cannot be synced", {{Op::Fsync, EIO, ".pellora-", 2}},
         {std::nullopt, FailureCause::CannotWrite, std::nullopt}, {"a.jpg", "c.jpg"}, 1},
        {"the second's name is taken at the last moment", {{Op::Rename, EEXIST, "b.jpg", 0}},
         {std::nullopt, FailureCause::DestinationExists, std::nullopt}, {"a.jpg", "c.jpg"}, 1},
        {"the folder cannot be synced", {{Op::Fsync, EIO, "dir", 0}},
         {FailureCause::CannotCommit, FailureCause::CannotCommit, FailureCause::CannotCommit}, {}, 1},
        {"no file can be named: the folder is not synced for nothing", {{Op::Rename, EIO, ".pellora-", 0}},
         {FailureCause::CannotCommit, FailureCause::CannotCommit, FailureCause::CannotCommit}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        test::FakeFileSystem fs;
        auto folder = Folder::open(fs, dir.path());
        ASSERT_TRUE(folder.has_value());
        std::vector<AtomicFile> files;
        for (const std::string& name : all) {
            auto file = AtomicFile::create(*folder, name, Mode::NeverReplace);
            ASSERT_TRUE(file.has_value());
            ASSERT_TRUE(writeAll(file->file(), kBytes.data(), kBytes.size()).has_value());
            files.push_back(std::move(*file));
        }
        const std::string folderName = dir.path().filename().string();
        for (const Fault& fault : c.faults)
            fs.fail(fault.op, fault.error, fault.name == "dir" ? folderName : fault.name, fault.nth);
        std::vector<AtomicFile*> together;
        for (AtomicFile& file : files)
            together.push_back(&file);

        const auto committed = AtomicFile::commitTogether(*folder, together);

        ASSERT_EQ(committed.size(), all.size());
        for (size_t i = 0; i < all.size(); ++i)
            EXPECT_EQ(causeOf(committed[i]), c.causes[i]) << all[i];
        EXPECT_EQ(test::listNames(dir.path()), c.left) << "a name, a temporary file or a reservation is wrong";
        const auto calls = fs.calls({Op::Fsync, Op::RenameNoReplace});
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "fsync " + folderName), c.folderSyncs);
        if (c.folderSyncs == 1) {
            EXPECT_EQ(calls.back(), "fsync " + folderName) << "a name was given after the folder's sync";
        }
    }

    // A file of another folder is not the folder's to commit.
    test::TempDir one, other;
    auto first = Folder::open(systemFileSystem(), one.path());
    auto second = Folder::open(systemFileSystem(), other.path());
    ASSERT_TRUE(first && second);
    auto stray = AtomicFile::create(*second, "a.jpg", Mode::NeverReplace);
    ASSERT_TRUE(stray.has_value());
    AtomicFile* const strays[] = {&*stray};
    const auto refused = AtomicFile::commitTogether(*first, strays);
    EXPECT_EQ(causeOf(refused.front()), FailureCause::CannotCommit);
    EXPECT_TRUE(test::listNames(one.path()).empty());
    EXPECT_FALSE(std::filesystem::exists(other / "a.jpg")) << "the refused file was named";
}

// Temporary files made ahead are ours like any other: locked, of our
// pattern, at most as many as asked for; a failure to make one goes to the
// next taker, whose own attempt it stood in for; a spare taken writes a
// picture like a file made at once; those nobody took go with the pool.
TEST(SpareTemporaryFiles, MadeAheadTakenInTurnAndRemovedWhenNotTaken)
{
    test::TempDir dir;
    test::FakeFileSystem fs;
    auto folder = Folder::open(fs, dir.path());
    ASSERT_TRUE(folder.has_value());
    {
        SpareTemporaryFiles spares(*folder);
        EXPECT_FALSE(spares.take().has_value()) << "a spare before any was made";
        for (int i = 0; i < 4; ++i)
            spares.makeOne(2);
        const auto names = test::listNames(dir.path());
        ASSERT_EQ(names.size(), 2u) << "more spares made than asked for";
        for (const auto& name : names)
            EXPECT_TRUE(temporaryFiles::isOurs(name)) << name;
        EXPECT_EQ(temporaryFiles::sweep(systemFileSystem(), dir.path()), 0) << "a spare not locked: a sweep took it";
        EXPECT_EQ(test::listNames(dir.path()), names);

        auto spare = spares.take();
        ASSERT_TRUE(spare && spare->has_value());
        auto file = AtomicFile::adopt(*folder, std::move(spare->value()), "a.jpg", Mode::NeverReplace);
        ASSERT_TRUE(writeAll(file.file(), kBytes.data(), kBytes.size()).has_value());
        ASSERT_EQ(causeOf(file.commit()), std::nullopt);
        EXPECT_EQ(test::readBytes(dir / "a.jpg"), std::vector<unsigned char>(kBytes.begin(), kBytes.end()));

        fs.fail(Op::Open, EACCES, "create .pellora-", 1);
        spares.makeOne(3);
        auto before = spares.take();
        ASSERT_TRUE(before && before->has_value()) << "the spare made before the failure comes first";
        // Taken and dropped unwritten, as a picture that fails: it goes.
        AtomicFile::adopt(*folder, std::move(before->value()), "b.jpg", Mode::NeverReplace);
        const auto failed = spares.take();
        ASSERT_TRUE(failed.has_value());
        ASSERT_FALSE(failed->has_value());
        EXPECT_EQ(failed->error().cause, FailureCause::CannotCreate);
        EXPECT_EQ(failed->error().systemError, EACCES);
        spares.makeOne(3);
    }
    EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"a.jpg"}) << "a spare nobody took was left";
}

TEST(TemporaryFiles, TheSweepRemovesOnlyAbandonedFilesOfOurOwnPattern)
{
    test::TempDir dir;
    const auto abandoned = temporaryFiles::nameIn(dir.path());
    const auto live = temporaryFiles::nameIn(dir.path());
    test::writeBytes(abandoned, {1});
    test::writeBytes(live, {2});
    test::writeBytes(dir / ".pellora-notours.tmp", {3});
    test::writeBytes(dir / "sshot001.jpg", {4});
    test::writeBytes(dir / ".pellora-0123456789ABCDEF.tmp", {5}); // upper case: not a name we write
    // Names of ours on what is no file of ours: neither waited for nor removed.
    const auto fifo = temporaryFiles::nameIn(dir.path());
    const bool fifoMade = test::makeFifo(fifo); // Windows has none
    const auto link = temporaryFiles::nameIn(dir.path());
    const bool linkMade = test::makeLink(dir / "sshot001.jpg", link); // not under Wine

    // Another run is still writing `live`: it holds the lock.
    {
        const auto held = systemFileSystem().open(live, Open::Read);
        ASSERT_TRUE(held.has_value());
        ASSERT_TRUE(systemFileSystem().tryLock(*held).has_value());

        // Run apart, so that a sweep that waits fails the test instead of hanging it.
        EXPECT_TRUE(test::endsWithin(std::chrono::seconds(5), [&] {
            if (temporaryFiles::sweep(systemFileSystem(), dir.path()) != 1)
                throw std::runtime_error("not exactly the abandoned file removed");
        })) << "the sweep waited, or did not remove exactly the abandoned file";
    }
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_TRUE(std::filesystem::exists(live));
    if (fifoMade) {
        EXPECT_EQ(test::kindOf(fifo), "fifo");
    }
    if (linkMade) {
        EXPECT_EQ(test::kindOf(link), "link");
    }
    EXPECT_EQ(test::listNames(dir.path()).size(), 4u + fifoMade + linkMade);
}

} // namespace
} // namespace pellora
