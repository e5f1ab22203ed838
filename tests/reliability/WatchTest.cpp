#include "support/CliProcess.h"
#include "CliScene.h"

#include "platform/text/Cp932.h"
#include "support/JpegProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

namespace pellora {
namespace {

using namespace std::chrono_literals;
using test::CliProcess;
using test::CliScene;

const std::string kListArrow = "\t--->\t";

// Appends `bytes` to `path` with one write each, opening the file first and
// closing it after, as a game's writer does between pieces.
class PieceWriter {
public:
    explicit PieceWriter(const std::filesystem::path& path) : file_(path, std::ios::binary | std::ios::app) {}

    bool write(const unsigned char* bytes, std::size_t size)
    {
        file_.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
        return file_.flush().good();
    }

private:
    std::ofstream file_;
};

// A game writing a screenshot slowly while `pellora-cli --watch` runs: in
// four pieces with pauses, the file closed between some and held open
// across another. Its JPEG appears only once the whole file is written and
// shows the whole picture; the first run's files are not converted twice;
// Ctrl+C ends the watch with the log's end line and 130. With --keep too,
// where the first run's TGAs stay in the watched folder.
class PelloraCliWatch : public ::testing::TestWithParam<const char*> {};

TEST_P(PelloraCliWatch, ConvertsATgaOnlyOnceTheGameHasFinishedWritingIt)
{
    const bool keep = std::string(GetParam()) == "--keep";
    CliScene scene(1, 2);
    auto arguments = scene.arguments(scene.in());
    arguments.insert(arguments.end(), {"--watch", "--settle", "1", GetParam()});
    CliProcess watch(arguments, scene.dir / "stdout.txt");
    ASSERT_TRUE(watch.started());
    ASSERT_TRUE(test::waitForText(scene.dir / "stdout.txt", CliScene::sourceName(2) + kListArrow + "sshot002.jpg", 20s));

    const test::TgaPicture picture = test::distinctPicture(CliScene::kWidth, CliScene::kHeight, 3);
    test::writeGameTga(scene.dir / "whole.tga", picture);
    const std::vector<unsigned char> bytes = test::readBytes(scene.dir / "whole.tga");
    scene.ledger.expect("ScreenShot3.tga", bytes, picture);
    const std::filesystem::path shot = scene.in() / "ScreenShot3.tga";
    const std::filesystem::path jpeg = scene.out() / "sshot003.jpg";
    const std::size_t piece = bytes.size() / 4;
    const auto pause = [&] {
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(std::filesystem::exists(jpeg)) << "converted while still being written";
    };
    {
        PieceWriter writer(shot); // the header and the first rows, then closed
        ASSERT_TRUE(writer.write(bytes.data(), piece));
    }
    pause();
    {
        PieceWriter writer(shot); // held open across a pause
        ASSERT_TRUE(writer.write(bytes.data() + piece, piece / 2));
        pause();
        ASSERT_TRUE(writer.write(bytes.data() + piece + piece / 2, piece - piece / 2));
    }
    pause();
    {
        PieceWriter writer(shot);
        ASSERT_TRUE(writer.write(bytes.data() + 2 * piece, piece));
    }
    pause();
    {
        PieceWriter writer(shot);
        ASSERT_TRUE(writer.write(bytes.data() + 3 * piece, bytes.size() - 3 * piece));
    }

    ASSERT_TRUE(test::waitForText(scene.dir / "stdout.txt", "ScreenShot3.tga" + kListArrow + "sshot003.jpg", 20s));
    const auto converted = test::decodeJpegFile(jpeg);
    ASSERT_TRUE(converted.has_value());
    EXPECT_GT(test::psnr(picture, *converted), 30.0);
    EXPECT_EQ(std::filesystem::exists(shot), keep); // as in any run

    if (!watch.kill(SIGINT))
        GTEST_SKIP() << "no Ctrl+C could be sent to the watch (Wine delivers none between processes)";
    EXPECT_EQ(watch.waitFor(20s), 130);
    const std::string listed = test::readText(scene.dir / "stdout.txt");
    EXPECT_EQ(listed, test::joinedLines({CliScene::sourceName(1) + kListArrow + "sshot001.jpg",
                                         CliScene::sourceName(2) + kListArrow + "sshot002.jpg",
                                         "ScreenShot3.tga" + kListArrow + "sshot003.jpg"}));
    // The first run and the batch: each a run of its own in the log.
    const std::string log = test::readText(scene.out() / "kavlog.txt");
    EXPECT_TRUE(test::endsWithEndLine(log));
    const std::string logText = cp932::decode(log).value();
    EXPECT_EQ(test::occurrences(logText, "---処理開始--- ["), 2);
    EXPECT_EQ(test::occurrences(logText, "---処理終了--- ["), 2);

    const auto audit = scene.ledger.audit({scene.in(), scene.out()});
    EXPECT_EQ(audit.accounted, 3);
    EXPECT_EQ(audit.lost, 0);
    EXPECT_EQ(audit.doubled, 0);
    EXPECT_EQ(audit.strangers, 0);
    EXPECT_EQ(scene.temporariesLeft(), 0);
    EXPECT_TRUE(scene.foreignFilesStayed());
}

// A folder removed while held open tells its watchers nothing until it is
// closed: the watch must notice all the same, as it must a folder moved away.
TEST(PelloraCliWatchEnds, WhenTheInputFolderIsRemovedOrMovedWithTwoAndAReason)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to remove or move a folder that a watch holds open";
#endif
    for (const bool removed : {true, false}) {
        SCOPED_TRACE(removed ? "removed" : "moved");
        CliScene scene(1, 1);
        test::ChildSetup setup;
        setup.errorFile = scene.dir / "stderr.txt";
        auto arguments = scene.arguments(scene.in());
        arguments.push_back("--watch");
        CliProcess watch(arguments, scene.dir / "stdout.txt", setup);
        ASSERT_TRUE(test::waitForText(scene.dir / "stdout.txt", "sshot001.jpg", 20s));
        std::this_thread::sleep_for(200ms);
        if (removed)
            std::filesystem::remove(scene.in());
        else
            std::filesystem::rename(scene.in(), scene.dir / "elsewhere");
        EXPECT_EQ(watch.waitFor(10s), 2);
        EXPECT_NE(test::readText(scene.dir / "stderr.txt").find("was removed or moved; watching ended"),
                  std::string::npos);
        EXPECT_TRUE(test::endsWithEndLine(test::readText(scene.out() / "kavlog.txt")));
    }
}

INSTANTIATE_TEST_SUITE_P(DeleteOrKeep, PelloraCliWatch, ::testing::Values("--delete", "--keep"));

} // namespace
} // namespace pellora
