#include "CliProcess.h"
#include "PictureLedger.h"
#include "ReliabilitySummary.h"

#include "platform/TempFileName.h"
#include "support/JpegProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <thread>

namespace pellora {
namespace {

using Clock = std::chrono::steady_clock;
using test::CliProcess;

constexpr int kSources = 60;
constexpr int kKills = 20;
constexpr int kWidth = 160, kHeight = 120;
const char* const kForeignNames[] = {".pellora-notours.tmp", ".pellora-0123456789ABCDEF.tmp"};

std::string sourceName(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "shot_%02d.tga", index);
    return name;
}

int countOurTemporaries(const std::filesystem::path& folder)
{
    int count = 0;
    for (const auto& name : test::listNames(folder))
        if (TempFileName::isOurs(name))
            ++count;
    return count;
}

// One folder pair with 60 distinct sources and two foreign files in the
// output folder that only look like ours.
class KillScene {
public:
    explicit KillScene(int firstIndex = 1, int count = kSources)
    {
        std::filesystem::create_directories(in());
        std::filesystem::create_directories(out());
        test::writeBytes(dir / "empty.ini", {});
        for (int i = 0; i < count; ++i)
            ledger.addSource(in() / sourceName(firstIndex + i), test::distinctPicture(kWidth, kHeight, firstIndex + i));
        for (const char* name : kForeignNames)
            test::writeBytes(out() / name, {'k', 'e', 'e', 'p'});
    }

    std::filesystem::path in() const { return dir / "in"; }
    std::filesystem::path out() const { return dir / "out"; }

    std::vector<std::string> arguments(const std::filesystem::path& input) const
    {
        return {"--settings", (dir / "empty.ini").string(), "--in", input.string(), "--out", out().string(),
                "--quality", "90", "--delete", "--log", "--jobs", "2"};
    }

    bool foreignFilesStayed() const
    {
        for (const char* name : kForeignNames)
            if (!std::filesystem::exists(out() / name))
                return false;
        return true;
    }

    test::TempDir dir;
    test::PictureLedger ledger{30.0};
};

double measureFullRunSeconds()
{
    KillScene scene;
    const auto start = Clock::now();
    CliProcess run(scene.arguments(scene.in()), scene.dir / "stdout.txt");
    run.wait();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

unsigned chosenSeed()
{
    if (const char* text = std::getenv("PELLORA_KILL_SEED"))
        return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
    return static_cast<unsigned>(std::random_device{}());
}

TEST(KilledRun, EveryPictureSurvivesTwentyKillsAndTheNextRun)
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    const double fullRun = measureFullRunSeconds();
    const unsigned seed = chosenSeed();
    std::printf("kill seed %u (PELLORA_KILL_SEED=%u repeats it), a full run takes %.3f s\n", seed, seed, fullRun);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> moment(0.0, fullRun);

    int survived = 0, doubled = 0, inWindow = 0, accounted = 0, lost = 0, leftBehind = 0, mid = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const double at = moment(random);
        SCOPED_TRACE("kill " + std::to_string(kill) + " at " + std::to_string(at) + " s");
        KillScene scene;
        {
            CliProcess victim(scene.arguments(scene.in()), scene.dir / "killed.txt");
            ASSERT_TRUE(victim.started());
            std::this_thread::sleep_for(std::chrono::duration<double>(at));
            victim.kill(SIGKILL);
            victim.wait();
        }
        bool ok = true;
        auto check = [&](bool condition, const std::string& what) {
            if (!condition) {
                ADD_FAILURE() << what;
                ok = false;
            }
        };

        const auto afterKill = scene.ledger.audit({scene.in(), scene.out()});
        check(afterKill.lost == 0 && afterKill.truncated == 0 && afterKill.strangers == 0 && afterKill.doubled == 0,
              "after the kill: lost " + std::to_string(afterKill.lost) + ", truncated " +
                  std::to_string(afterKill.truncated) + ", strangers " + std::to_string(afterKill.strangers));
        for (const auto& problem : afterKill.problems)
            ADD_FAILURE() << problem;
        // A source that is still a TGA and already a JPEG: the kill fell between commit and delete.
        std::vector<std::string> committedNotDeleted;
        for (const auto& [name, jpegs] : afterKill.jpegsOf)
            if (jpegs > 0 && std::filesystem::exists(scene.in() / name))
                committedNotDeleted.push_back(name);
        inWindow += static_cast<int>(committedNotDeleted.size());
        const int temporaries = countOurTemporaries(scene.out());
        leftBehind += temporaries;
        const int remaining = static_cast<int>(test::listNames(scene.in()).size());
        if (remaining > 0 && remaining < kSources)
            ++mid;

        CliProcess next(scene.arguments(scene.in()), scene.dir / "next.txt");
        check(next.wait() == 0, "the following run did not convert everything");
        const auto afterNext = scene.ledger.audit({scene.in(), scene.out()});
        check(afterNext.lost == 0 && afterNext.truncated == 0 && afterNext.strangers == 0,
              "after the next run: lost " + std::to_string(afterNext.lost));
        for (const auto& problem : afterNext.problems)
            ADD_FAILURE() << problem;
        check(test::listNames(scene.in()).empty(), "the following run left sources");
        check(countOurTemporaries(scene.out()) == 0, "temporary files survived the next run");
        check(scene.foreignFilesStayed(), "a file that only looks like ours was removed");
        for (const auto& [name, jpegs] : afterNext.jpegsOf) {
            const bool explained = std::find(committedNotDeleted.begin(), committedNotDeleted.end(), name) !=
                                   committedNotDeleted.end();
            check(jpegs == (explained ? 2 : 1), name + " has " + std::to_string(jpegs) + " JPEGs");
        }
        doubled += afterNext.doubled;
        accounted += afterNext.accounted;
        lost += afterKill.lost + afterNext.lost;
        survived += ok ? 1 : 0;
    }
    std::printf("kills that fell mid-batch: %d; temporaries left by killed runs: %d; sources committed but not yet "
                "deleted at a kill: %d\n",
                mid, leftBehind, inWindow);
    test::printSummary("group=kill seed=" + std::to_string(seed) + " kills=" + std::to_string(kKills) +
                       " survived=" + std::to_string(survived) + " double_jpegs=" + std::to_string(doubled) +
                       " files_accounted=" + std::to_string(accounted) + " pictures_lost=" + std::to_string(lost) +
                       " temporaries_swept=" + std::to_string(leftBehind) + " mid_batch_kills=" + std::to_string(mid));
    EXPECT_EQ(survived, kKills);
}

TEST(ConcurrentRuns, TwoRunsIntoOneFolderOverwriteNothingAndLoseNothing)
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    constexpr int kRounds = 3, kEach = 30;
    int accounted = 0, lost = 0, refused = 0, files = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        KillScene scene(1, kEach); // its own sources are the first run's
        const auto secondIn = scene.dir / "in2";
        std::filesystem::create_directory(secondIn);
        for (int i = 0; i < kEach; ++i)
            scene.ledger.addSource(secondIn / sourceName(100 + i), test::distinctPicture(kWidth, kHeight, 100 + i));
        {
            CliProcess first(scene.arguments(scene.in()), scene.dir / "first.txt");
            CliProcess second(scene.arguments(secondIn), scene.dir / "second.txt");
            first.wait();
            second.wait();
        }
        const auto audit = scene.ledger.audit({scene.in(), secondIn, scene.out()});
        EXPECT_EQ(audit.lost, 0);
        EXPECT_EQ(audit.doubled, 0);
        EXPECT_EQ(audit.strangers, 0);
        EXPECT_EQ(audit.truncated, 0);
        for (const auto& problem : audit.problems)
            ADD_FAILURE() << problem;
        // Every TGA left over has its failure line; every JPEG is one source's.
        const auto failureLines = [&](const std::filesystem::path& file) {
            const std::string text = test::readText(file);
            int count = 0;
            for (size_t at = text.find("コピー失敗"); at != std::string::npos; at = text.find("コピー失敗", at + 1))
                ++count;
            return count;
        };
        const int leftOver = static_cast<int>(test::listNames(scene.in()).size() + test::listNames(secondIn).size());
        EXPECT_EQ(leftOver, failureLines(scene.dir / "first.txt") + failureLines(scene.dir / "second.txt"));
        int jpegs = 0;
        for (const auto& name : test::listNames(scene.out()))
            jpegs += name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0 ? 1 : 0;
        EXPECT_EQ(jpegs + leftOver, 2 * kEach);
        EXPECT_EQ(countOurTemporaries(scene.out()), 0);
        accounted += audit.accounted;
        lost += audit.lost;
        refused += leftOver;
        files += 2 * kEach;
    }
    test::printSummary("group=concurrent runs=" + std::to_string(kRounds) + " files=" + std::to_string(files) +
                       " files_accounted=" + std::to_string(accounted) + " pictures_lost=" + std::to_string(lost) +
                       " refused_for_a_taken_name=" + std::to_string(refused));
}

} // namespace
} // namespace pellora
