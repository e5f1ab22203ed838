#include "HeldFolder.h"
#include "OtherProgram.h"

#include "platform/io/FolderWatcher.h"
#include "platform/text/PathText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace pellora {
namespace {

using namespace std::chrono_literals;
namespace other = test::otherProgram;

::testing::AssertionResult contains(const std::vector<std::filesystem::path>& names, const std::filesystem::path& name)
{
    if (std::find(names.begin(), names.end(), name) != names.end())
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "not told; told:";
    for (const auto& told : names)
        failure << " [" << pathText::toText(told) << "]";
    return failure;
}

// Everything the watcher tells within `time`.
FolderChanges gather(FolderWatcher& watcher, std::chrono::milliseconds time)
{
    FolderChanges all;
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        auto changes = watcher.wait(50ms);
        if (!changes)
            break;
        all.written.insert(all.written.end(), changes->written.begin(), changes->written.end());
        all.modified.insert(all.modified.end(), changes->modified.begin(), changes->modified.end());
        all.overflowed |= changes->overflowed;
    }
    return all;
}

// Windows tells no "closed after writing": whatever is made, moved in or
// written to is told as written, and a write also as not settled yet.
TEST(WindowsFolderWatcherTest, NamesMadeMovedInOrWrittenToAreTold)
{
    test::HeldFolder held, elsewhere;
    elsewhere.put("moved.tga", "picture");
    auto watcher = FolderWatcher::watch(held.folder(), kNoNativeHandle);
    ASSERT_TRUE(watcher);
    const UniqueHandle game = other::open(held / "スクショ.tga", GENERIC_WRITE, other::kLikeFopen, CREATE_NEW);
    ASSERT_TRUE(game.valid());
    ASSERT_EQ(other::move(elsewhere / "moved.tga", held / "moved.tga"), DWORD{0});
    ASSERT_TRUE(other::write(game.get(), "picture"));
    ASSERT_TRUE(::FlushFileBuffers(game.get()));
    const FolderChanges changes = gather(**watcher, 500ms);
    EXPECT_TRUE(contains(changes.written, L"スクショ.tga"));
    EXPECT_TRUE(contains(changes.written, L"moved.tga"));
    EXPECT_TRUE(contains(changes.modified, L"スクショ.tga"));
}

TEST(WindowsFolderWatcherTest, AWakeOrTheTimeEndsTheWaitWithNothingToTell)
{
    test::HeldFolder held;
    const UniqueHandle wake(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto watcher = FolderWatcher::watch(held.folder(), wake.get());
    ASSERT_TRUE(watcher);
    const auto timedOut = (*watcher)->wait(20ms);
    ASSERT_TRUE(timedOut);
    EXPECT_TRUE(timedOut->written.empty() && !timedOut->folderGone);
    ASSERT_TRUE(::SetEvent(wake.get()));
    const auto start = std::chrono::steady_clock::now();
    const auto woken = (*watcher)->wait(10s);
    ASSERT_TRUE(woken);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_TRUE(woken->written.empty());
}

} // namespace
} // namespace pellora
