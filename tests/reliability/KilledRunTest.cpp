#include "support/CliProcess.h"
#include "CliScene.h"
#include "ExfatMount.h"
#include "ReliabilitySummary.h"
#include "SlowDriveMount.h"

#include "platform/text/Cp932.h"
#include "support/JpegProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace pellora {
namespace {

using Clock = std::chrono::steady_clock;
using test::CliProcess;
using test::CliScene;
using test::OnExfat;
using test::OnSlowDrive;

constexpr int kSources = 60;
constexpr int kKills = 20;
const std::string kListArrow = "\t--->\t";

// Where a scene's output folder goes: empty for beside its sources.
using OutputFolder = std::function<std::filesystem::path(int kill)>;

double measureFullRunSeconds(const OutputFolder& outputFolder)
{
    CliScene scene(1, kSources, outputFolder(-1));
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

struct KillFigures {
    int kills = 0, survived = 0, doubled = 0, inWindow = 0, accounted = 0, lost = 0;
    int temporaries = 0, reservations = 0, mid = 0, closedStreams = 0;
    int severalWaiting = 0; // kills that fell with two or more JPEGs written and not yet named
};

// Every file a run told of as converted, in its list (what it printed into
// `listFile`) or in its log: source and JPEG name.
std::vector<std::pair<std::string, std::string>> claimedFiles(const CliScene& scene,
                                                              const std::filesystem::path& listFile)
{
    std::vector<std::pair<std::string, std::string>> claimed;
    const auto readClaims = [&](const std::string& text) {
        // Whole lines only: a kill may cut the last one short.
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            std::string line = text.substr(at, end - at);
            if (line.ends_with('\r'))
                line.pop_back();
            if (const size_t arrow = line.find(kListArrow); arrow != std::string::npos)
                claimed.emplace_back(line.substr(0, arrow), line.substr(arrow + kListArrow.size()));
        }
    };
    if (std::filesystem::exists(listFile))
        readClaims(test::readText(listFile));
    if (const auto log = scene.out() / "kavlog.txt"; std::filesystem::exists(log))
        readClaims(cp932::decode(test::readText(log)).value_or(std::string()));
    return claimed;
}

// Kills `pellora-cli --delete` at random moments of a run over 60 sources,
// every other time with its standard streams closed, then checks that the
// kill lost and damaged nothing and that the next run clears what it left.
KillFigures killSeries(int kills, unsigned seed, const OutputFolder& outputFolder)
{
    const double fullRun = measureFullRunSeconds(outputFolder);
    std::printf("kill seed %u (PELLORA_KILL_SEED=%u repeats it), a full run takes %.3f s\n", seed, seed, fullRun);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> moment(0.0, fullRun);

    KillFigures figures;
    for (int kill = 0; kill < kills; ++kill) {
        const double at = moment(random);
        const bool closed = kill % 2 == 1;
        SCOPED_TRACE("kill " + std::to_string(kill) + " at " + std::to_string(at) + " s" +
                     (closed ? ", standard streams closed" : ""));
        CliScene scene(1, kSources, outputFolder(kill));
        {
            CliProcess victim(scene.arguments(scene.in()), scene.dir / "killed.txt",
                              closed ? test::ClosedStreams{true, true, true} : test::ClosedStreams{});
            EXPECT_TRUE(victim.started());
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
        check(scene.jpegsHolding(kListArrow) == 0, "a list line went into a picture");
        // Told of only once its JPEG was under its name: never ahead of the commit of its group.
        for (const auto& [source, jpeg] : claimedFiles(scene, scene.dir / "killed.txt"))
            check(scene.ledger.shownBy(scene.out() / jpeg) == source,
                  source + " was told of as " + jpeg + ", which does not hold its picture");
        for (const auto& problem : afterKill.problems)
            ADD_FAILURE() << problem;
        // A source that is still a TGA and already a JPEG: the kill fell between commit and delete.
        std::vector<std::string> committedNotDeleted;
        for (const auto& [name, jpegs] : afterKill.jpegsOf)
            if (jpegs > 0 && std::filesystem::exists(scene.in() / name))
                committedNotDeleted.push_back(name);
        figures.inWindow += static_cast<int>(committedNotDeleted.size());
        figures.temporaries += scene.temporariesLeft();
        figures.severalWaiting += scene.temporariesLeft() >= 2 ? 1 : 0;
        figures.reservations += afterKill.reservations;
        const int remaining = static_cast<int>(test::listNames(scene.in()).size());
        if (remaining > 0 && remaining < kSources)
            ++figures.mid;

        CliProcess next(scene.arguments(scene.in()), scene.dir / "next.txt");
        check(next.wait() == 0, "the following run did not convert everything");
        const auto afterNext = scene.ledger.audit({scene.in(), scene.out()});
        check(afterNext.lost == 0 && afterNext.truncated == 0 && afterNext.strangers == 0,
              "after the next run: lost " + std::to_string(afterNext.lost));
        for (const auto& problem : afterNext.problems)
            ADD_FAILURE() << problem;
        check(test::listNames(scene.in()).empty(), "the following run left sources");
        check(scene.temporariesLeft() == 0, "temporary files survived the next run");
        check(afterNext.reservations == 0, "a name reservation survived the next run");
        check(scene.foreignFilesStayed(), "a file that only looks like ours was removed");
        for (const auto& [name, jpegs] : afterNext.jpegsOf) {
            const bool explained = std::find(committedNotDeleted.begin(), committedNotDeleted.end(), name) !=
                                   committedNotDeleted.end();
            check(jpegs == (explained ? 2 : 1), name + " has " + std::to_string(jpegs) + " JPEGs");
        }
        ++figures.kills;
        figures.closedStreams += closed ? 1 : 0;
        figures.doubled += afterNext.doubled;
        figures.accounted += afterNext.accounted;
        figures.lost += afterKill.lost + afterNext.lost;
        figures.survived += ok ? 1 : 0;
    }
    std::printf("kills that fell mid-batch: %d; temporaries left by killed runs: %d; name reservations: %d; sources "
                "committed but not yet deleted at a kill: %d\n",
                figures.mid, figures.temporaries, figures.reservations, figures.inWindow);
    return figures;
}

void printKillSummary(const std::string& group, unsigned seed, const KillFigures& f)
{
    test::printSummary("group=" + group + " seed=" + std::to_string(seed) + " kills=" + std::to_string(f.kills) +
                       " survived=" + std::to_string(f.survived) + " double_jpegs=" + std::to_string(f.doubled) +
                       " files_accounted=" + std::to_string(f.accounted) + " pictures_lost=" + std::to_string(f.lost) +
                       " temporaries_swept=" + std::to_string(f.temporaries) + " reservations_swept=" +
                       std::to_string(f.reservations) + " mid_batch_kills=" + std::to_string(f.mid) +
                       " closed_stream_kills=" + std::to_string(f.closedStreams) +
                       " kills_with_several_waiting=" + std::to_string(f.severalWaiting));
}

TEST(KilledRun, EveryPictureSurvivesTwentyKillsAndTheNextRun)
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    const unsigned seed = chosenSeed();
    const KillFigures figures = killSeries(kKills, seed, [](int) { return std::filesystem::path(); });
    printKillSummary("kill", seed, figures);
    EXPECT_EQ(figures.survived, kKills);
}

TEST_F(OnExfat, EveryPictureSurvivesTwentyKillsAndTheNextRun)
{
    constexpr int kExfatKills = 20;
    const unsigned seed = chosenSeed();
    const KillFigures figures = killSeries(kExfatKills, seed, [&](int kill) {
        return mountPoint() / ("out" + std::to_string(kill + 1));
    });
    printKillSummary("kill_exfat", seed, figures);
    EXPECT_EQ(figures.survived, kExfatKills);
}

// On a drive whose every sync takes 20 ms, files wait for the drive in
// groups: several JPEGs written and flushed, named together, their folder
// synced once. A kill that falls anywhere in that still loses nothing, and
// nothing was told of before its group was committed.
TEST_F(OnSlowDrive, EveryPictureSurvivesKillsWhileGroupsWaitForTheDrive)
{
    constexpr int kSlowKills = 16;
    const unsigned seed = chosenSeed();
    const KillFigures figures = killSeries(kSlowKills, seed, [&](int kill) {
        return mountPoint() / ("out" + std::to_string(kill + 1));
    });
    printKillSummary("kill_slow", seed, figures);
    EXPECT_EQ(figures.survived, kSlowKills);
    EXPECT_GT(figures.severalWaiting, 0) << "no kill fell while several files waited for the drive";
}

// Each file waiting for the drive holds a descriptor: under a low limit of
// open files (ulimit -n 32) a run keeps fewer files in flight rather than
// fail any for want of one.
TEST_F(OnSlowDrive, UnderALowLimitOfOpenFilesEveryFileIsConverted)
{
    CliScene scene(1, kSources, mountPoint() / "out");
    test::ChildSetup setup;
    setup.limits = {{RLIMIT_NOFILE, 32}};
    setup.errorFile = scene.dir / "stderr.txt";
    CliProcess run(scene.arguments(scene.in(), 2), scene.dir / "stdout.txt", setup);

    const int status = run.wait();
    EXPECT_EQ(status, 0) << test::readText(scene.dir / "stderr.txt");
    EXPECT_TRUE(test::listNames(scene.in()).empty()) << "sources kept: every one was to be converted and deleted";
    EXPECT_EQ(scene.temporariesLeft(), 0);
    const auto audit = scene.ledger.audit({scene.in(), scene.out()});
    EXPECT_EQ(audit.lost + audit.truncated + audit.doubled, 0);
    const bool survived = status == 0 && test::listNames(scene.in()).empty() && audit.lost == 0;
    test::printSummary("group=nofile_limit runs=1 survived=" + std::to_string(survived ? 1 : 0) +
                       " files=" + std::to_string(kSources) + " pictures_lost=" + std::to_string(audit.lost));
}

// What stops a run of `pellora-cli --delete` once its first list line is out,
// and the exit status its usage text documents for it.
struct StopCase {
    const char* name;
    int signal; // sent to the program; 0: its standard output is closed instead
    int status;
};

const StopCase kStopCases[] = {
    {"Ctrl+C (SIGINT)", SIGINT, 130},
    {"SIGTERM", SIGTERM, 143},
    {"SIGHUP (the terminal went away)", SIGHUP, 129},
    {"standard output closed after the first line (| head -1)", 0, 141},
};

// Each stop ends the run at its next file: the files in hand finish, the log
// gets its end line, nothing is left half done, and the next run converts
// the rest without making a second JPEG of anything.
TEST(StoppedRun, EveryStopEndsThroughTheEndLineWithEachFileWholeOrUntouched)
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    int runs = 0, survived = 0, accounted = 0, lost = 0;
    for (const StopCase& c : kStopCases) {
        SCOPED_TRACE(c.name);
        CliScene scene(1, kSources);
        test::ChildSetup setup;
        setup.outputToPipe = true;
        CliProcess run(scene.arguments(scene.in(), 1), scene.dir / "unused.txt", setup);
        ASSERT_TRUE(run.started());
        const auto first = run.readOutputLine(std::chrono::seconds(30));
        ASSERT_TRUE(first.has_value()) << "no first line";
        EXPECT_EQ(*first, "shot_01.tga" + kListArrow + "sshot001.jpg");
        if (c.signal != 0)
            run.kill(c.signal);
        else
            run.closeOutput();
        // Under a signal the pipe stays open; the lines of 60 files fit in it.
        const auto status = run.waitFor(std::chrono::seconds(30));

        bool ok = true;
        auto check = [&](bool condition, const std::string& what) {
            if (!condition) {
                ADD_FAILURE() << what;
                ok = false;
            }
        };
        check(status == c.status, "exit status " + std::to_string(status.value_or(-2)) + ", ended by signal " +
                                      std::to_string(run.endingSignal()));
        const std::string log = test::readText(scene.out() / "kavlog.txt");
        check(test::endsWithEndLine(log), "the log has no end line");
        check(test::occurrences(cp932::decode(log).value(), "---処理終了---") == 1, "not one end line");
        const int remaining = static_cast<int>(test::listNames(scene.in()).size());
        check(remaining > 0, "the run was not stopped: it converted everything");
        check(scene.temporariesLeft() == 0, "a temporary file was left");
        const auto audit = scene.ledger.audit({scene.in(), scene.out()});
        check(audit.lost == 0 && audit.truncated == 0 && audit.strangers == 0 && audit.doubled == 0 &&
                  audit.reservations == 0,
              "pictures lost " + std::to_string(audit.lost) + ", damaged or doubled");
        for (const auto& problem : audit.problems)
            ADD_FAILURE() << problem;
        // Converted and deleted, or untouched: never both a TGA and its JPEG.
        for (const auto& [name, jpegs] : audit.jpegsOf)
            check(jpegs == (std::filesystem::exists(scene.in() / name) ? 0 : 1),
                  name + " has " + std::to_string(jpegs) + " JPEGs");

        CliProcess next(scene.arguments(scene.in()), scene.dir / "next.txt");
        check(next.wait() == 0, "the following run did not convert everything");
        const auto afterNext = scene.ledger.audit({scene.in(), scene.out()});
        check(test::listNames(scene.in()).empty() && afterNext.lost == 0 && afterNext.doubled == 0,
              "after the next run: sources left, pictures lost or doubled");
        check(scene.foreignFilesStayed(), "a file that only looks like ours was removed");
        ++runs;
        survived += ok ? 1 : 0;
        accounted += afterNext.accounted;
        lost += audit.lost + afterNext.lost;
    }
    test::printSummary("group=stop runs=" + std::to_string(runs) + " survived=" + std::to_string(survived) +
                       " files_accounted=" + std::to_string(accounted) + " pictures_lost=" + std::to_string(lost));
}

TEST(ConcurrentRuns, TwoRunsIntoOneFolderOverwriteNothingAndLoseNothing)
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    constexpr int kRounds = 3, kEach = 30;
    int accounted = 0, lost = 0, refused = 0, files = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        CliScene scene(1, kEach); // its own sources are the first run's
        const auto secondIn = scene.dir / "in2";
        std::filesystem::create_directory(secondIn);
        for (int i = 0; i < kEach; ++i)
            scene.ledger.addSource(secondIn / CliScene::sourceName(100 + i),
                                   test::distinctPicture(CliScene::kWidth, CliScene::kHeight, 100 + i));
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
        EXPECT_EQ(scene.temporariesLeft(), 0);
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
