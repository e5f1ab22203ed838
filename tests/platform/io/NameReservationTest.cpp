#include "platform/io/NameReservation.h"
#include "platform/io/StagedFile.h"
#include "platform/io/TempFileName.h"
#include "platform/io/TempFileSweeper.h"

#include "support/FakeFileSystem.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>

namespace pellora {
namespace {

using Op = test::FakeFileSystem::Op;

const std::vector<unsigned char> kPicture = {0xFF, 0xD8, 'p', 'i', 'c', 0xFF, 0xD9};
const std::vector<unsigned char> kMarker(NameReservation::kMarker.begin(), NameReservation::kMarker.end());

// A finished temporary file beside `destination`, ready to commit.
StagedFile stageBeside(const std::filesystem::path& destination)
{
    const auto temporary = TempFileName::next(destination.parent_path());
    test::writeBytes(temporary, kPicture);
    return StagedFile(UniqueFd(FileSystem::current().open(temporary, O_RDWR)), temporary, destination);
}

struct CommitCase {
    const char* name;
    std::vector<std::tuple<Op, int, std::string>> faults;
    JpegWriteStatus status;
    int error; // the cause the outcome must keep
};

TEST(NoReplaceMove, EachMeansIsTriedOnlyWhenTheFileSystemLacksTheOneBefore)
{
    const CommitCase cases[] = {
        {"everything offered", {}, JpegWriteStatus::Written, 0},
        {"no rename that refuses to replace", {{Op::RenameNoReplace, ENOSYS, ""}}, JpegWriteStatus::Written, 0},
        {"exFAT: neither that rename nor links", {{Op::RenameNoReplace, EINVAL, ""}, {Op::Link, EPERM, ""}},
         JpegWriteStatus::Written, 0},
        {"a real failure is not a reason to try another means", {{Op::RenameNoReplace, EIO, ""}},
         JpegWriteStatus::CannotCommit, EIO},
        {"exFAT, and the name cannot be reserved",
         {{Op::RenameNoReplace, EINVAL, ""}, {Op::Link, EPERM, ""}, {Op::Open, EACCES, "a.jpg"}},
         JpegWriteStatus::CannotCommit, EACCES},
        {"exFAT, and the name is taken",
         {{Op::RenameNoReplace, EINVAL, ""}, {Op::Link, EPERM, ""}, {Op::Open, EEXIST, "a.jpg"}},
         JpegWriteStatus::DestinationExists, EEXIST},
        {"exFAT, and the rename over the reservation fails",
         {{Op::RenameNoReplace, EINVAL, ""}, {Op::Link, EPERM, ""}, {Op::Rename, ENOSPC, ""}},
         JpegWriteStatus::CannotCommit, ENOSPC},
        {"the folder cannot be synced", {{Op::Fsync, EIO, "dir"}}, JpegWriteStatus::CannotCommit, EIO},
    };
    for (const CommitCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const auto destination = dir / "a.jpg";
        test::FakeFileSystem fs;
        for (const auto& [op, error, name] : c.faults)
            fs.fail(op, error, name == "dir" ? dir.path().filename().string() : name);
        ScopedFileSystem seam(fs);
        StagedFile staged = stageBeside(destination);
        const CommitOutcome outcome = staged.commit();
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.error, c.error);
        if (c.status == JpegWriteStatus::Written) {
            EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"a.jpg"});
            EXPECT_EQ(test::readBytes(destination), kPicture);
        } else {
            EXPECT_TRUE(test::listNames(dir.path()).empty()) << "a temporary file or a reservation was left";
        }
    }
}

TEST(NameReservation, ANameTakenOverMeanwhileIsNeverReplacedNorRemoved)
{
    test::TempDir dir;
    test::writeBytes(dir / "ours", kPicture);
    {
        auto reservation = NameReservation::take(dir / "a.jpg");
        ASSERT_TRUE(reservation.has_value());
        EXPECT_EQ(test::readBytes(dir / "a.jpg"), kMarker);
        EXPECT_EQ(NameReservation::take(dir / "a.jpg").error(), -EEXIST);

        // Somebody else's picture lands on the name between the reservation and the rename.
        test::writeBytes(dir / "theirs", {'t'});
        std::filesystem::rename(dir / "theirs", dir / "a.jpg");
        EXPECT_EQ(reservation->fillWith(dir / "ours"), -EEXIST);
    } // dropping the reservation must not remove their file either
    EXPECT_EQ(test::readText(dir / "a.jpg"), "t");
    EXPECT_EQ(test::listNames(dir.path()), (std::vector<std::string>{"a.jpg", "ours"})) << "its intent file stayed";
}

TEST(TempFileSweeper, ClearsWhatARunKilledWhileReservingANameLeftAndNothingElse)
{
    test::TempDir dir;
    const std::string intent(NameReservation::kIntent);
    auto leave = [&](const std::string& name, const std::vector<unsigned char>& bytes, const std::string& record) {
        test::writeBytes(dir / name, bytes);
        const std::string recorded = intent + record;
        test::writeBytes(TempFileName::next(dir.path()), {recorded.begin(), recorded.end()});
    };
    // Killed before the marker, within it, after it, after the rename.
    leave("empty.jpg", {}, "empty.jpg\n");
    leave("partial.jpg", {kMarker.begin(), kMarker.begin() + 10}, "partial.jpg\n");
    leave("whole.jpg", kMarker, "whole.jpg\n");
    leave("picture.jpg", kPicture, "picture.jpg\n");
    // What it must leave: somebody else's file, a name recorded only in part,
    // a name outside the folder, a marker without an intent, a live reservation.
    leave("theirs.jpg", {'t'}, "theirs.jpg\n");
    leave("cut", {}, "cut");
    std::filesystem::create_directory(dir / "sub");
    leave("sub/x.jpg", {}, "sub/x.jpg\n");
    test::writeBytes(dir / "no-intent.jpg", kMarker);
    auto live = NameReservation::take(dir / "live.jpg");
    ASSERT_TRUE(live.has_value());

    EXPECT_EQ(TempFileSweeper::sweep(dir.path()), 3 + 7);
    std::vector<std::string> names = test::listNames(dir.path());
    const auto intents = std::erase_if(names, [](const std::string& name) { return TempFileName::isOurs(name); });
    EXPECT_EQ(intents, 1u) << "the live reservation's intent must stay";
    EXPECT_EQ(names, (std::vector<std::string>{"cut", "live.jpg", "no-intent.jpg", "picture.jpg", "sub", "theirs.jpg"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "sub" / "x.jpg"));
    EXPECT_EQ(test::readBytes(dir / "picture.jpg"), kPicture);
}

} // namespace
} // namespace pellora
