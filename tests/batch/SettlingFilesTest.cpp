#include "batch/SettlingFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace pellora {
namespace {

using namespace std::chrono_literals;
using Clock = SettlingFiles::Clock;
using Names = std::vector<std::filesystem::path>;

FileIdentity stampOfSize(std::int64_t size, long nanoseconds = 0)
{
    return FileIdentity{1, 42, size, timespec{1000, nanoseconds}};
}

// One moment of a file's life as the watch sees it, at `at` ms after the start.
struct Step {
    int at;
    enum What { Written, Modified, Grows, Removed, Handled, Look } what;
    std::int64_t size = 0; // Written, Grows, Handled: the file's size from then on
};

struct Case {
    const char* what;
    std::vector<Step> steps;
    std::vector<int> readyAt; // the looks (Look steps) at which the file is ready, in ms
};

// A game writing "shot.tga" and the watch looking at it, with a settle time
// of 100 ms: the file is ready only once it stayed as it was that long after
// its writer closed it.
TEST(SettlingFiles, AFileIsReadyOnlyOnceItStayedAsItWasForTheSettleTime)
{
    const Case cases[] = {
        {"closed once and left alone", {{0, Step::Written, 10}, {50, Step::Look}, {99, Step::Look}, {100, Step::Look}, {300, Step::Look}}, {100}},
        {"written in pieces, closed between them",
         {{0, Step::Written, 10}, {60, Step::Grows, 20}, {60, Step::Written, 20}, {120, Step::Look}, {159, Step::Look},
          {160, Step::Look}},
         {160}},
        {"grows without telling: settles again from the look that saw it",
         {{0, Step::Written, 10}, {50, Step::Grows, 20}, {100, Step::Look}, {150, Step::Look}, {200, Step::Look}},
         {200}},
        {"written to while settling, same size: settles from the last write",
         {{0, Step::Written, 10}, {80, Step::Modified}, {100, Step::Look}, {179, Step::Look}, {180, Step::Look}},
         {180}},
        {"written to but never closed: never a candidate", {{0, Step::Modified}, {500, Step::Look}}, {}},
        {"removed before it settled", {{0, Step::Written, 10}, {50, Step::Removed}, {100, Step::Look}, {300, Step::Look}}, {}},
        {"already handled as it is: nothing new",
         {{0, Step::Handled, 10}, {10, Step::Written, 10}, {200, Step::Look}}, {}},
        {"handled, then written again: new",
         {{0, Step::Handled, 10}, {10, Step::Grows, 30}, {10, Step::Written, 30}, {200, Step::Look}}, {200}},
        {"ready once only", {{0, Step::Written, 10}, {100, Step::Look}, {200, Step::Look}, {300, Step::Look}}, {100}},
    };
    const std::filesystem::path name = "shot.tga";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SettlingFiles settling(100ms);
        const Clock::time_point start{};
        std::optional<FileIdentity> onDisk;
        std::vector<int> readyAt;
        for (const Step& step : c.steps) {
            const auto now = start + std::chrono::milliseconds(step.at);
            switch (step.what) {
            case Step::Written:
                onDisk = stampOfSize(step.size);
                settling.noteWritten(name, *onDisk, now);
                break;
            case Step::Modified: settling.noteModified(name, now); break;
            case Step::Grows: onDisk = stampOfSize(step.size); break;
            case Step::Removed: onDisk.reset(); break;
            case Step::Handled:
                onDisk = stampOfSize(step.size);
                settling.noteHandled(name, *onDisk);
                break;
            case Step::Look: {
                const Names ready = settling.takeReady(now, [&](const auto&) { return onDisk; });
                if (!ready.empty()) {
                    EXPECT_EQ(ready, Names{name});
                    readyAt.push_back(step.at);
                }
                break;
            }
            }
        }
        EXPECT_EQ(readyAt, c.readyAt);
        EXPECT_TRUE(settling.empty());
    }
}

TEST(SettlingFiles, TellsWhenTheNextFileMayBeReady)
{
    SettlingFiles settling(100ms);
    const Clock::time_point start{};
    EXPECT_FALSE(settling.untilNextCheck(start).has_value());
    settling.noteWritten("a.tga", stampOfSize(1), start);
    settling.noteWritten("b.tga", stampOfSize(1), start + 30ms);
    EXPECT_EQ(settling.untilNextCheck(start + 10ms), Clock::duration(90ms));
    EXPECT_EQ(settling.untilNextCheck(start + 500ms), Clock::duration::zero());
    // A file's stamp differs in its time written only: it changed all the same.
    EXPECT_FALSE(settling.wasHandled("a.tga", stampOfSize(1)));
    settling.noteHandled("a.tga", stampOfSize(1));
    EXPECT_TRUE(settling.wasHandled("a.tga", stampOfSize(1)));
    EXPECT_FALSE(settling.wasHandled("a.tga", stampOfSize(1, 1)));
}

} // namespace
} // namespace pellora
