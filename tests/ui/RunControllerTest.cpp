#include "RecordingPrompts.h"
#include "WindowTestKit.h"

#include "support/JpegProbe.h"
#include "ui/GuiThreadCall.h"
#include "batch/LiveRunOptions.h"
#include "ui/RunController.h"

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

namespace pellora {
namespace {

// A call from another thread runs on the GUI thread and returns its result;
// once closed, a call waiting for a GUI thread that never turns its loop
// returns its fallback, and nothing it asked for runs later; a call from the
// GUI thread itself runs at once.
TEST(GuiThreadCallTest, RunsOnTheGuiThreadUntilClosed)
{
    QObject context;
    GuiThreadCall gui(context);
    const std::thread::id guiThread = std::this_thread::get_id();

    std::thread::id ranOn;
    std::atomic<int> answer{-1};
    std::thread asking([&] { answer = gui.call([&] { return ranOn = std::this_thread::get_id(), true; }, false); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer != -1; }, 10000));
    asking.join();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(ranOn, guiThread);

    EXPECT_FALSE(gui.call([] { return false; }, true)) << "on the GUI thread, run at once";

    bool ranAfterClose = false;
    answer = -1;
    std::thread waiting([&] { answer = gui.call([&] { return ranAfterClose = true; }, false); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // it waits: no loop turns here
    EXPECT_EQ(answer, -1);
    gui.close();
    waiting.join();
    EXPECT_EQ(answer, 0) << "closed: the fallback";
    QTest::qWait(20);
    EXPECT_FALSE(ranAfterClose);
    EXPECT_TRUE(gui.call([] { return true; }, true)) << "the GUI thread itself still runs at once";
}

class RunControllerTest : public ::testing::Test {
protected:
    RunControllerTest()
    {
        std::filesystem::create_directory(work / "in");
        std::filesystem::create_directory(work / "out");
    }

    WindowBatchHost::Start start() const
    {
        return {(work / "in").string(), (work / "out").string(), "sshot"};
    }

    test::TempDir work;
    QWidget owner;
    test::PromptLog asked;
    Prompts prompts = test::recordingPrompts(asked);
    LiveRunOptions options;
};

// With no thread to be had, the run goes on the window's thread and is over
// when start returns; the window still hears the end as after any run, and
// everything the run sends reaches it as sent.
TEST_F(RunControllerTest, ARefusedThreadRunsTheBatchHereAndItStillEnds)
{
    test::writeGameTga(work / "in" / "a.tga", test::samplePicture(16, 8, 1));
    test::writeBytes(work / "in" / "bad.tga", {1, 2, 3});
    int threadsAsked = 0;
    RunController controller(owner, prompts, options, [&](std::function<void()>) -> std::thread {
        ++threadsAsked;
        throw std::system_error(EAGAIN, std::generic_category());
    });
    QSignalSpy lines(&controller, &RunController::lineAdded);
    QSignalSpy maximum(&controller, &RunController::progressMaximumChanged);
    QSignalSpy busy(&controller, &RunController::busyChanged);
    QSignalSpy finished(&controller, &RunController::finished);

    controller.start(start(), 2);

    EXPECT_EQ(threadsAsked, 1);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0][0].toString(), QStringLiteral("a.tga\t--->\tsshot001.jpg"));
    EXPECT_EQ(lines[0][1].toString(), QString());
    EXPECT_TRUE(lines[1][1].toString().startsWith(QStringLiteral("bad.tga: "))) << lines[1][1].toString().toStdString();
    EXPECT_EQ(maximum, QList<QList<QVariant>>{{2}});
    EXPECT_EQ(busy, (QList<QList<QVariant>>{{true}, {false}}));
    EXPECT_TRUE(controller.running()) << "until the window has heard the end";
    EXPECT_TRUE(finished.wait(5000));
    EXPECT_FALSE(controller.running());
    EXPECT_TRUE(std::filesystem::exists(work / "out" / "sshot001.jpg"));
}

} // namespace
} // namespace pellora
