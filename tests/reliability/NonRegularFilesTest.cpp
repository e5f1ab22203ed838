#include "support/CliProcess.h"
#include "CliScene.h"
#include "ReliabilitySummary.h"

#include "support/NonRegularFiles.h"

#include <gtest/gtest.h>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace pellora {
namespace {

using test::CliProcess;
using test::CliScene;
using Clock = std::chrono::steady_clock;

const std::string kLogRefused = "動作ログを書き込めません。";
constexpr auto kPatience = std::chrono::seconds(30);

// One thing that is not a regular file, at one place where the tool looks.
struct Placement {
    const char* name;
    // Where it goes (relative to the scene's folder) and how it is made; false when it cannot be made here.
    std::string where;
    std::function<bool(CliScene&, const std::filesystem::path&)> make;
    int status = 0;          // the exit status the run must end with
    bool logRefused = false; // the list tells once that the log cannot be written
    std::string option = {}; // given that path: "--settings", "--in" or "--out"
};

bool fifo(CliScene&, const std::filesystem::path& at) { return test::makeFifo(at); }
bool socketFile(CliScene&, const std::filesystem::path& at) { return test::makeSocket(at); }
bool device(CliScene&, const std::filesystem::path& at) { return test::makeCharDevice(at); }

std::function<bool(CliScene&, const std::filesystem::path&)> linkTo(
    std::function<bool(CliScene&, const std::filesystem::path&)> makeTarget, const std::string& target)
{
    return [=](CliScene& scene, const std::filesystem::path& at) {
        const auto targetPath = scene.dir / target;
        if (makeTarget && !makeTarget(scene, targetPath))
            return false;
        std::filesystem::create_symlink(targetPath, at);
        return true;
    };
}

bool pictureOutside(CliScene& scene, const std::filesystem::path& at)
{
    test::writeBytes(at, {0xFF, 0xD8, 'v', 'i', 'c', 't', 'i', 'm', 0xFF, 0xD9});
    (void)scene;
    return true;
}

bool nullDevice(CliScene&, const std::filesystem::path& at)
{
    std::filesystem::create_symlink("/dev/null", at);
    return true;
}

std::vector<Placement> placements()
{
    return {
        {"kavlog.txt is a FIFO nobody reads", "out/kavlog.txt", fifo, 0, true},
        {"kavlog.txt is a link to a picture", "out/kavlog.txt", linkTo(pictureOutside, "victim.jpg"), 0, true},
        {"kavlog.txt is a link to a FIFO", "out/kavlog.txt", linkTo(fifo, "fifo"), 0, true},
        {"kavlog.txt is a dangling link", "out/kavlog.txt", linkTo(nullptr, "nothing.txt"), 0, true},
        {"kavlog.txt is a link to /dev/null", "out/kavlog.txt", nullDevice, 0, true},
        {"kavlog.txt is a device", "out/kavlog.txt", device, 0, true},
        {"kavlog.txt is a socket", "out/kavlog.txt", socketFile, 0, true},
        {"a FIFO named like a source", "in/zz.tga", fifo},
        {"a link to a FIFO named like a source", "in/zz.tga", linkTo(fifo, "fifo")},
        {"a socket named like a source", "in/zz.tga", socketFile},
        {"a device named like a source", "in/zz.tga", device},
        {"a FIFO at a serial name", "out/sshot001.jpg", fifo},
        {"a FIFO named like a temporary file of ours", "out/.pellora-0123456789abcdef.tmp", fifo},
        {"the settings file named is a FIFO", "fifo.ini", fifo, 2, false, "--settings"},
        {"the settings file named is a link to a FIFO", "link.ini", linkTo(fifo, "fifo"), 2, false, "--settings"},
        {"the settings file named is a link to /dev/null", "null.ini", nullDevice, 2, false, "--settings"},
        {"the input folder is a link to a FIFO", "in-link", linkTo(fifo, "fifo"), 2, false, "--in"},
        {"the output folder is a FIFO", "out-fifo", fifo, 2, false, "--out"},
    };
}

std::vector<std::string> argumentsFor(const CliScene& scene, const Placement& placement, const std::filesystem::path& at)
{
    std::vector<std::string> arguments = scene.arguments(scene.in());
    if (!placement.option.empty())
        for (size_t i = 0; i + 1 < arguments.size(); ++i)
            if (arguments[i] == placement.option)
                arguments[i + 1] = at.string();
    return arguments;
}

TEST(NonRegularFiles, NothingInEitherFolderMakesARunWaitForEver)
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    int runs = 0, finished = 0, unavailable = 0, lost = 0;
    double longest = 0;
    for (const Placement& placement : placements()) {
        for (const bool closed : {false, true}) {
            SCOPED_TRACE(std::string(placement.name) + (closed ? ", standard streams closed" : ""));
            CliScene scene(1, 4);
            const auto at = scene.dir / placement.where;
            if (!placement.make(scene, at)) {
                ++unavailable;
                continue;
            }
            const std::string kind = test::kindOf(at);
            const auto start = Clock::now();
            CliProcess run(argumentsFor(scene, placement, at), scene.dir / "stdout.txt",
                           closed ? test::ClosedStreams{true, true, true} : test::ClosedStreams{});
            const auto status = run.waitFor(kPatience);
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            ++runs;
            ASSERT_TRUE(status.has_value()) << "still running after " << kPatience.count() << " s";
            ++finished;
            longest = std::max(longest, seconds);
            EXPECT_EQ(*status, placement.status);
            EXPECT_EQ(test::kindOf(at), kind) << "the thing itself was changed";
            const auto audit = scene.ledger.audit({scene.in(), scene.out()});
            EXPECT_EQ(audit.lost + audit.truncated + audit.strangers, 0);
            for (const auto& problem : audit.problems)
                ADD_FAILURE() << problem;
            lost += audit.lost;
            if (std::filesystem::exists(scene.dir / "victim.jpg")) {
                EXPECT_EQ(test::readBytes(scene.dir / "victim.jpg").size(), 10u) << "written through the link";
            }
            EXPECT_FALSE(std::filesystem::exists(scene.dir / "nothing.txt")) << "created through the link";
            if (!closed) {
                EXPECT_EQ(test::occurrences(test::readText(scene.dir / "stdout.txt"), kLogRefused),
                          placement.logRefused ? 1 : 0);
            }
        }
    }
    std::printf("%d runs, %d finished, longest %.2f s, %d placements this machine cannot make\n", runs, finished,
                longest, unavailable);
    test::printSummary("group=non_regular runs=" + std::to_string(runs) + " finished=" + std::to_string(finished) +
                       " longest_seconds=" + std::to_string(longest) + " unavailable=" + std::to_string(unavailable) +
                       " pictures_lost=" + std::to_string(lost));
    EXPECT_EQ(finished, runs);
}

TEST(NonRegularFiles, ALogFifoWithAReaderGetsNothing)
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    CliScene scene(1, 2);
    const auto log = scene.out() / "kavlog.txt";
    ASSERT_TRUE(test::makeFifo(log));
    const int reader = ::open(log.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    CliProcess run(scene.arguments(scene.in()), scene.dir / "stdout.txt");
    const auto status = run.waitFor(kPatience);
    char byte;
    const ssize_t got = ::read(reader, &byte, 1);
    ::close(reader);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0);
    EXPECT_LE(got, 0) << "a log line went into the FIFO";
    EXPECT_EQ(test::occurrences(test::readText(scene.dir / "stdout.txt"), kLogRefused), 1);
}

} // namespace
} // namespace pellora
