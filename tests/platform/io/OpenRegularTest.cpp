#include "platform/io/OpenRegular.h"

#include "platform/io/FileSystem.h"
#include "support/FakeFileSystem.h"
#include "support/NonRegularFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>

namespace pellora {
namespace {

using Op = test::FakeFileSystem::Op;

// Only a regular file is handed back, open, with what it was when opened;
// anything else is told apart by the cause, and whatever was opened to look
// at it is closed again.
TEST(OpenRegular, KeepsOnlyARegularFileAndClosesEverythingElse)
{
    struct Case {
        const char* name;
        // False when this system cannot make it (a FIFO on Windows, a link under Wine).
        std::function<bool(const test::TempDir&, test::FakeFileSystem&)> arrange;
        OpenFlags flags;
        std::optional<FailureCause> cause; // none: opened
        int systemError;
    };
    const Case cases[] = {
        {"a regular file", [](const auto& dir, auto&) { test::writeBytes(dir / "x", {1, 2, 3}); return true; },
         Open::Read, std::nullopt, 0},
        {"a folder", [](const auto& dir, auto&) { return std::filesystem::create_directory(dir / "x"); }, Open::Read,
         FailureCause::NotRegularFile, 0},
        {"a FIFO, without waiting for a writer", [](const auto& dir, auto&) { return test::makeFifo(dir / "x"); },
         Open::Read, FailureCause::NotRegularFile, 0},
        {"a link, not followed",
         [](const auto& dir, auto&) {
             test::writeBytes(dir / "target", {1});
             return test::makeLink(dir / "target", dir / "x");
         },
         Open::Read | Open::NoFollow, FailureCause::CannotWrite, ELOOP},
        {"nothing there", [](const auto&, auto&) { return true; }, Open::Read, FailureCause::CannotWrite, ENOENT},
        {"a status the system cannot give",
         [](const auto& dir, auto& fs) {
             test::writeBytes(dir / "x", {1});
             fs.fail(Op::Stat, EIO, "x");
             return true;
         },
         Open::Read, FailureCause::CannotWrite, EIO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        test::FakeFileSystem fs;
        if (!c.arrange(dir, fs))
            continue;
        const auto opened = openRegular(fs.workingFolder(), dir / "x", c.flags, FailureCause::CannotWrite);
        ASSERT_EQ(opened ? std::nullopt : std::optional(opened.error().cause), c.cause);
        if (opened) {
            EXPECT_TRUE(opened->status.isRegular());
            EXPECT_EQ(opened->status.size, 3);
            continue;
        }
        EXPECT_EQ(opened.error().systemError, c.systemError);
        const auto calls = fs.calls({Op::Open, Op::Close});
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "open-r x"), 1);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "close x"), c.systemError == EIO || !c.systemError ? 1 : 0)
            << "what was opened to look at is closed again";
    }
}

} // namespace
} // namespace pellora
