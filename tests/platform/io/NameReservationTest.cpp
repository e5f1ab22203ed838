#include "platform/io/NameReservation.h"
#include "platform/io/TemporaryFiles.h"

#include "support/FakeFileSystem.h"
#include "support/NonRegularFiles.h"
#include "support/RivalSweep.h"
#include "support/TempDir.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace pellora {
namespace {

const std::vector<unsigned char> kPicture = {0xFF, 0xD8, 'p', 'i', 'c', 0xFF, 0xD9};
const std::vector<unsigned char> kMarker(NameReservation::kMarker.begin(), NameReservation::kMarker.end());

TEST(NameReservation, ANameTakenOverMeanwhileIsNeverReplacedNorRemoved)
{
#ifdef _WIN32
    GTEST_SKIP() << "a name is reserved only on Linux's exFAT: Windows moves a file without replacing on every "
                    "file system, and refuses to replace or remove for good a name someone holds open";
#endif
    test::TempDir dir;
    test::writeBytes(dir / "ours", kPicture);
    {
        auto reservation = NameReservation::take(systemFileSystem(), dir / "a.jpg");
        ASSERT_TRUE(reservation.has_value());
        EXPECT_EQ(test::readBytes(dir / "a.jpg"), kMarker);
        const Failure taken = NameReservation::take(systemFileSystem(), dir / "a.jpg").error();
        EXPECT_EQ(taken.cause, FailureCause::DestinationExists);
        EXPECT_EQ(taken.systemError, EEXIST);

        // Somebody else's picture lands on the name between the reservation and the rename.
        test::writeBytes(dir / "theirs", {'t'});
        std::filesystem::rename(dir / "theirs", dir / "a.jpg");
        const Status filled = reservation->fillWith(dir / "ours");
        ASSERT_FALSE(filled.has_value());
        EXPECT_EQ(filled.error().cause, FailureCause::DestinationExists);
        EXPECT_EQ(filled.error().systemError, EEXIST);
    } // dropping the reservation must not remove their file either
    EXPECT_EQ(test::readText(dir / "a.jpg"), "t");
    EXPECT_EQ(test::listNames(dir.path()), (std::vector<std::string>{"a.jpg", "ours"})) << "its intent file stayed";
}

using Moment = test::RivalSweep::Moment;
using Op = test::FakeFileSystem::Op;

void leaveDeadIntent(const std::filesystem::path& folder, const std::string& name)
{
    const std::string recorded = std::string(NameReservation::kIntent) + name + "\n";
    test::writeBytes(temporaryFiles::nameIn(folder), {recorded.begin(), recorded.end()});
}

TEST(NameReservation, ASweepAsItsIntentFileIsCreatedLeavesARunKilledThenNothingButWhatTheNextSweepClears)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs a child process that dies holding its reservation: fork, which Windows lacks";
#endif
    for (const Moment moment : {Moment::Whole, Moment::Holding}) {
        SCOPED_TRACE(test::RivalSweep::nameOf(moment));
        test::TempDir dir;
        // Reserves the name and dies with it, as a run killed then would.
        EXPECT_TRUE(test::endsWithin(std::chrono::seconds(5), [&] {
            test::RivalSweep rival(dir.path());
            test::FakeFileSystem racing;
            racing.after(Op::Open, "create .pellora-", rival.at(moment));
            auto reservation = NameReservation::take(racing, dir / "a.jpg");
            ::_exit(reservation.has_value() ? 0 : 1);
        })) << "the name could not be reserved";
        EXPECT_EQ(temporaryFiles::sweep(systemFileSystem(), dir.path()), 2) << "the intent file was lost: the marker stays for good";
        EXPECT_TRUE(test::listNames(dir.path()).empty());
    }
}

TEST(NameReservation, ANewReservationThatASweepTakesForADeadRunsIsANameTakenAndNeverRemovedByUs)
{
#ifdef _WIN32
    GTEST_SKIP() << "a name is reserved only on Linux's exFAT: Windows moves a file without replacing on every "
                    "file system, and refuses to replace or remove for good a name someone holds open";
#endif
    for (const Moment moment : {Moment::Whole, Moment::Holding}) {
        SCOPED_TRACE(test::RivalSweep::nameOf(moment));
        test::TempDir dir;
        // A run killed while reserving the same name, before its marker.
        leaveDeadIntent(dir.path(), "a.jpg");
        test::RivalSweep rival(dir.path());
        test::FakeFileSystem racing;
        size_t sweptBy = 0; // the calls made until the sweeper was done
        racing.after(Op::Open, "create a.jpg", [&, sweep = rival.at(moment, "a.jpg")] {
            sweep();
            sweptBy = racing.calls().size();
        });
        {
            const auto reservation = NameReservation::take(racing, dir / "a.jpg");
            const auto cause = reservation ? std::nullopt : std::optional(reservation.error().cause);
            EXPECT_EQ(cause, FailureCause::DestinationExists) << "a reservation the sweeper removed, or a wait for it";
        }
        // The sweeper that took the file removes it; we never touch it.
        const auto calls = racing.calls();
        EXPECT_EQ(std::count(calls.begin() + static_cast<long>(sweptBy), calls.end(), "unlink a.jpg"), 0);
        EXPECT_FALSE(std::filesystem::exists(dir / "a.jpg"));
        temporaryFiles::sweep(systemFileSystem(), dir.path());
        EXPECT_TRUE(test::listNames(dir.path()).empty());
    }
}

TEST(TemporaryFiles, TheSweepClearsWhatARunKilledWhileReservingANameLeftAndNothingElse)
{
    test::TempDir dir;
    const std::string intent(NameReservation::kIntent);
    auto leave = [&](const std::string& name, const std::vector<unsigned char>& bytes, const std::string& record) {
        test::writeBytes(dir / name, bytes);
        const std::string recorded = intent + record;
        test::writeBytes(temporaryFiles::nameIn(dir.path()), {recorded.begin(), recorded.end()});
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
    auto live = NameReservation::take(systemFileSystem(), dir / "live.jpg");
    ASSERT_TRUE(live.has_value());

    EXPECT_EQ(temporaryFiles::sweep(systemFileSystem(), dir.path()), 3 + 7);
    std::vector<std::string> names = test::listNames(dir.path());
    const auto intents = std::erase_if(names, [](const std::string& name) { return temporaryFiles::isOurs(name); });
    EXPECT_EQ(intents, 1u) << "the live reservation's intent must stay";
    EXPECT_EQ(names, (std::vector<std::string>{"cut", "live.jpg", "no-intent.jpg", "picture.jpg", "sub", "theirs.jpg"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "sub" / "x.jpg"));
    EXPECT_EQ(test::readBytes(dir / "picture.jpg"), kPicture);
}

} // namespace
} // namespace pellora
