#include "support/CliProcess.h"
#include "CliScene.h"
#include "ReliabilitySummary.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

using test::CliProcess;
using test::CliScene;
using test::ClosedStreams;

// What the list puts between a source's name and its JPEG's: in a picture,
// it means a list line went into the picture's file.
const std::string kListArrow = "\t--->\t";

struct ClosedCase {
    const char* shell;
    ClosedStreams closed;
};

TEST(ClosedDescriptors, NoListLineLandsInAPictureWhicheverStreamIsClosed)
{
    if (!CliProcess::program())
        GTEST_SKIP() << "PELLORA_BUILD_DIR/pellora-cli not found";
    const ClosedCase cases[] = {
        {"<&-", {true, false, false}},
        {">&-", {false, true, false}},
        {"2>&-", {false, false, true}},
        {"<&- >&- 2>&-", {true, true, true}},
    };
    int runs = 0, files = 0, damaged = 0, lost = 0;
    for (const ClosedCase& c : cases) {
        SCOPED_TRACE(c.shell);
        CliScene scene;
        CliProcess run(scene.arguments(scene.in(), 4), scene.dir / "stdout.txt", c.closed);
        ASSERT_TRUE(run.started());
        EXPECT_EQ(run.wait(), 0);
        const auto audit = scene.ledger.audit({scene.in(), scene.out()});
        const int holding = scene.jpegsHolding(kListArrow);
        EXPECT_EQ(holding, 0) << "pictures with list lines in them";
        EXPECT_EQ(audit.lost + audit.truncated + audit.strangers + audit.doubled, 0);
        for (const auto& problem : audit.problems)
            ADD_FAILURE() << problem;
        EXPECT_TRUE(test::listNames(scene.in()).empty()) << "sources left";
        ++runs;
        files += static_cast<int>(scene.ledger.size());
        damaged += holding + audit.truncated;
        lost += audit.lost;
    }
    test::printSummary("group=closed_descriptors runs=" + std::to_string(runs) + " files=" + std::to_string(files) +
                       " pictures_damaged=" + std::to_string(damaged) + " pictures_lost=" + std::to_string(lost));
}

} // namespace
} // namespace pellora
