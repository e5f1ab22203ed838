#include "batch/FileHelpers.h"

#include "support/FakeFileSystem.h"
#include "support/FileTimes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <functional>

namespace pellora {
namespace {

using test::TempDir;

int errorOf(const Status& status) { return status ? 0 : status.error().systemError; }

TEST(DeleteFileIfExists, DeletesFilesAndIgnoresEverythingElse)
{
    TempDir dir;
    test::writeBytes(dir / "a.tga", {1});
    (void)fileHelpers::deleteFileIfExists(systemFileSystem(), dir / "a.tga");
    EXPECT_FALSE(std::filesystem::exists(dir / "a.tga"));

    (void)fileHelpers::deleteFileIfExists(systemFileSystem(), dir / "missing.tga"); // nothing to do, no complaint

    std::filesystem::create_directory(dir / "folder.tga");
    (void)fileHelpers::deleteFileIfExists(systemFileSystem(), dir / "folder.tga");
    EXPECT_TRUE(std::filesystem::exists(dir / "folder.tga"));

    // Read-only stays, even for root, as Windows keeps a read-only file.
    test::writeBytes(dir / "ro.tga", {1});
    test::makeReadOnly(dir / "ro.tga");
    (void)fileHelpers::deleteFileIfExists(systemFileSystem(), dir / "ro.tga");
    EXPECT_TRUE(std::filesystem::exists(dir / "ro.tga"));

    test::writeBytes(dir / "busy.tga", {1});
    test::FakeFileSystem fs;
    fs.fail(test::FakeFileSystem::Op::Unlink, EBUSY);
    (void)fileHelpers::deleteFileIfExists(fs, dir / "busy.tga");
    EXPECT_TRUE(std::filesystem::exists(dir / "busy.tga"));
}

// What stays is said, so that the run can tell the user; what is gone,
// whoever removed it, is nothing to tell.
TEST(DeleteFileIfExists, SaysWhyAFileStays)
{
    using Op = test::FakeFileSystem::Op;
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&, test::FakeFileSystem&)> arrange;
        FailureCause cause; // Unexpected: nothing to tell
        int systemError;
    };
    const Case cases[] = {
        {"deleted", [](const auto&, auto&) {}, FailureCause::Unexpected, 0},
        {"missing", [](const auto& file, auto&) { std::filesystem::remove(file); }, FailureCause::Unexpected, 0},
        // Between the look and the unlink (the fake only plays it: the file stays).
        {"removed by someone else first", [](const auto&, auto& fs) { fs.fail(Op::Unlink, ENOENT); },
         FailureCause::Unexpected, 0},
        {"read-only", [](const auto& file, auto&) { test::makeReadOnly(file); }, FailureCause::ReadOnly, 0},
        {"a folder",
         [](const auto& file, auto&) {
             std::filesystem::remove(file);
             std::filesystem::create_directory(file);
         },
         FailureCause::CannotDelete, EISDIR},
        {"a folder the user may not change", [](const auto&, auto& fs) { fs.fail(Op::Unlink, EACCES); },
         FailureCause::CannotDelete, EACCES},
        {"a read-only disk", [](const auto&, auto& fs) { fs.fail(Op::Unlink, EROFS); }, FailureCause::CannotDelete, EROFS},
        {"in use", [](const auto&, auto& fs) { fs.fail(Op::Unlink, EBUSY); }, FailureCause::CannotDelete, EBUSY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        test::writeBytes(dir / "a.tga", {1});
        test::FakeFileSystem fs;
        c.arrange(dir / "a.tga", fs);
        const Status deleted = fileHelpers::deleteFileIfExists(fs, dir / "a.tga");
        EXPECT_EQ(deleted ? FailureCause::Unexpected : deleted.error().cause, c.cause);
        EXPECT_EQ(errorOf(deleted), c.systemError);
        if (fs.failuresDelivered() == 0) {
            EXPECT_EQ(std::filesystem::exists(dir / "a.tga"), !deleted);
        }
    }
    EXPECT_EQ(errorOf(fileHelpers::deleteFileIfExists(systemFileSystem(), "")), EINVAL);
}

} // namespace
} // namespace pellora
