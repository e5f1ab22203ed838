#include "platform/NameReservation.h"
#include "platform/StagedFile.h"
#include "platform/TempFileName.h"
#include "platform/TempFileSweeper.h"

#include "support/RecordingFileSystem.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>

namespace pellora {
namespace {

using Op = test::RecordingFileSystem::Op;

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
        test::RecordingFileSystem fs;
        for (const auto& [op, error, name] : c.faults)
            fs.failOn(op, error, 0, name == "dir" ? dir.path().filename().string() : name);
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
    EXPECT_TRUE(std::filesystem::exists(dir / "ours"));
}

TEST(TempFileSweeper, ClearsOnlyReservationsCertainlyLeftByADeadRun)
{
    test::TempDir dir;
    test::writeBytes(dir / "abandoned.jpg", kMarker);
    auto live = NameReservation::take(dir / "live.jpg"); // another run is writing this picture now
    ASSERT_TRUE(live.has_value());
    auto longer = kMarker;
    longer.push_back('\n');
    test::writeBytes(dir / "longer.jpg", longer);
    auto changed = kMarker;
    changed[1] = 'p';
    test::writeBytes(dir / "same-size.jpg", changed);
    test::writeBytes(dir / "not-a-picture-name.txt", kMarker);
    test::writeBytes(dir / "target", kMarker);
    std::filesystem::create_symlink(dir / "target", dir / "link.jpg");

    EXPECT_EQ(TempFileSweeper::sweep(dir.path()), 1);
    EXPECT_EQ(test::listNames(dir.path()), (std::vector<std::string>{"link.jpg", "live.jpg", "longer.jpg",
                                                                     "not-a-picture-name.txt", "same-size.jpg",
                                                                     "target"}));
}

} // namespace
} // namespace pellora
