#include "support/CliProcess.h"
#include "CliScene.h"
#include "ExfatMount.h"
#include "ReliabilitySummary.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

using test::CliProcess;
using test::CliScene;
using test::OnExfat;

// exFAT through FUSE offers neither a rename that refuses to replace nor hard
// links: every picture goes through a reservation of its name.
TEST_F(OnExfat, EveryFileConvertsAndTheNextBatchReplacesNone)
{
    constexpr int kFirst = 30, kSecond = 10;
    CliScene scene(1, kFirst, mountPoint() / "out");
    int converted = 0, failed = 0;
    for (const int batch : {1, 2}) {
        SCOPED_TRACE("batch " + std::to_string(batch));
        if (batch == 2)
            for (int i = kFirst + 1; i <= kFirst + kSecond; ++i)
                scene.ledger.addSource(scene.in() / CliScene::sourceName(i),
                                       test::distinctPicture(CliScene::kWidth, CliScene::kHeight, i));
        CliProcess run(scene.arguments(scene.in(), 4), scene.dir / "stdout.txt");
        EXPECT_EQ(run.wait(), 0);
        const std::string list = test::readText(scene.dir / "stdout.txt");
        converted += test::occurrences(list, "\t--->\t");
        failed += test::occurrences(list, "コピー失敗");
    }
    const auto audit = scene.ledger.audit({scene.in(), scene.out()});
    EXPECT_EQ(converted, kFirst + kSecond);
    EXPECT_EQ(audit.accounted, kFirst + kSecond);
    EXPECT_EQ(audit.lost + audit.doubled + audit.truncated + audit.strangers + audit.reservations, 0);
    for (const auto& problem : audit.problems)
        ADD_FAILURE() << problem;
    EXPECT_TRUE(std::filesystem::exists(scene.out() / ("sshot0" + std::to_string(kFirst + kSecond) + ".jpg")));
    EXPECT_TRUE(test::listNames(scene.in()).empty());
    EXPECT_EQ(scene.temporariesLeft(), 0);
    EXPECT_TRUE(scene.foreignFilesStayed());
    test::printSummary("group=exfat files=" + std::to_string(kFirst + kSecond) + " converted=" +
                       std::to_string(converted) + " failed=" + std::to_string(failed) +
                       " pictures_lost=" + std::to_string(audit.lost));
}

} // namespace
} // namespace pellora
