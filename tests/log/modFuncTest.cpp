#include "log/modFunc.h"

#include "support/FakeFileSystem.h"
#include "support/NonRegularFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <functional>
#include <sys/stat.h>

namespace pellora {
namespace {

using test::TempDir;

int errorOf(const std::optional<Failure>& failure) { return failure ? failure->systemError : 0; }

TEST(AppendLogLine, CreatesTheFileAndAppendsCrLfLines)
{
    TempDir dir;
    const auto log = dir / "kavlog.txt";
    ASSERT_EQ(modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("abc"), log), std::nullopt);
    EXPECT_EQ(test::readText(log), "abc\r\n");

    test::writeBytes(log, {'x', '\r', '\n'});
    ASSERT_EQ(modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("abc"), log), std::nullopt);
    EXPECT_EQ(test::readText(log), "x\r\nabc\r\n");
}

TEST(AppendLogLine, WritesTextExactlyAsGiven)
{
    TempDir dir;
    const auto log = dir / "kavlog.txt";
    test::writeBytes(log, {'x'}); // last line without its CR LF: the text continues it
    modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("a\r\nb"), log);
    modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("end\r\n"), log);
    modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("---処理開始--- ["), log);
    EXPECT_EQ(test::readText(log), std::string("xa\r\nb\r\nend\r\n\r\n"
                                               "\x2D\x2D\x2D\x8F\x88\x97\x9D\x8A\x4A\x8E\x6E\x2D\x2D\x2D\x20\x5B\r\n"));
}

TEST(AppendLogLine, ReportsFailuresToTheCaller)
{
    TempDir dir;
    EXPECT_EQ(errorOf(modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("a"), dir / "missing" / "kavlog.txt")), ENOENT);
    EXPECT_NE(modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("a"), dir.path()), std::nullopt); // a folder

    // A read-only log: root would write anyway, so the refusal comes through the seam.
    test::FakeFileSystem fs;
    fs.fail(test::FakeFileSystem::Op::Open, EACCES);
    EXPECT_EQ(errorOf(modFunc::AppendLogLine(fs, QStringLiteral("a"), dir / "kavlog.txt")), EACCES);

    test::FakeFileSystem full;
    full.fail(test::FakeFileSystem::Op::Write, ENOSPC);
    EXPECT_EQ(errorOf(modFunc::AppendLogLine(full, QStringLiteral("a"), dir / "kavlog.txt")), ENOSPC);
}

TEST(AppendLogLine, WritesOnlyARegularFileAndNeverWaits)
{
    TempDir dir;
    const std::vector<unsigned char> picture = {0xFF, 0xD8, 'p', 0xFF, 0xD9};
    test::writeBytes(dir / "picture.jpg", picture);
    ASSERT_TRUE(test::makeFifo(dir / "fifo"));
    auto linkTo = [&](const char* target) {
        return [&dir, target](const std::filesystem::path& at) {
            std::filesystem::create_symlink(dir / target, at);
            return true;
        };
    };
    struct Case {
        const char* name;
        std::function<bool(const std::filesystem::path&)> make;
    };
    const Case cases[] = {
        {"a FIFO", test::makeFifo},
        {"a link to a picture", linkTo("picture.jpg")},
        {"a link to a FIFO", linkTo("fifo")},
        {"a dangling link", linkTo("nothing.txt")},
        {"a socket", test::makeSocket},
        {"a device", test::makeCharDevice},
        {"a folder", [](const std::filesystem::path& at) { return std::filesystem::create_directory(at); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto log = dir / (std::string("log-") + c.name);
        if (!c.make(log))
            continue; // not allowed on this machine (device nodes)
        const std::string kind = test::kindOf(log);
        ASSERT_TRUE(test::endsWithin(std::chrono::seconds(5), [&] { modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("a"), log); }))
            << "the append waited";
        EXPECT_NE(modFunc::AppendLogLine(systemFileSystem(), QStringLiteral("a"), log), std::nullopt);
        EXPECT_EQ(test::kindOf(log), kind);
    }
    EXPECT_EQ(test::readBytes(dir / "picture.jpg"), picture);
    EXPECT_FALSE(std::filesystem::exists(dir / "nothing.txt"));
}

TEST(FolderExists, TrueOnlyForExistingFolders)
{
    TempDir dir;
    test::writeBytes(dir / "file", {1});
    EXPECT_TRUE(modFunc::FolderExists(dir.path()));
    EXPECT_TRUE(modFunc::FolderExists(dir.path().string() + "/"));
    EXPECT_FALSE(modFunc::FolderExists(dir / "missing"));
    EXPECT_FALSE(modFunc::FolderExists(dir / "file"));
    EXPECT_FALSE(modFunc::FolderExists(""));
    EXPECT_FALSE(modFunc::FolderExists(std::string("a\0b", 3)));
}

TEST(DeleteFileIfExists, DeletesFilesAndIgnoresEverythingElse)
{
    TempDir dir;
    test::writeBytes(dir / "a.tga", {1});
    modFunc::DeleteFileIfExists(systemFileSystem(), dir / "a.tga");
    EXPECT_FALSE(std::filesystem::exists(dir / "a.tga"));

    modFunc::DeleteFileIfExists(systemFileSystem(), dir / "missing.tga"); // nothing to do, no complaint

    std::filesystem::create_directory(dir / "folder.tga");
    modFunc::DeleteFileIfExists(systemFileSystem(), dir / "folder.tga");
    EXPECT_TRUE(std::filesystem::exists(dir / "folder.tga"));

    // Read-only stays, even for root, as Windows keeps a read-only file.
    test::writeBytes(dir / "ro.tga", {1});
    ::chmod((dir / "ro.tga").c_str(), 0444);
    modFunc::DeleteFileIfExists(systemFileSystem(), dir / "ro.tga");
    EXPECT_TRUE(std::filesystem::exists(dir / "ro.tga"));

    test::writeBytes(dir / "busy.tga", {1});
    test::FakeFileSystem fs;
    fs.fail(test::FakeFileSystem::Op::Unlink, EBUSY);
    modFunc::DeleteFileIfExists(fs, dir / "busy.tga");
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
        {"read-only", [](const auto& file, auto&) { ::chmod(file.c_str(), 0444); }, FailureCause::ReadOnly, 0},
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
        const auto failure = modFunc::DeleteFileIfExists(fs, dir / "a.tga");
        EXPECT_EQ(failure ? failure->cause : FailureCause::Unexpected, c.cause);
        EXPECT_EQ(errorOf(failure), c.systemError);
        if (fs.failuresDelivered() == 0) {
            EXPECT_EQ(std::filesystem::exists(dir / "a.tga"), failure.has_value());
        }
    }
    EXPECT_EQ(errorOf(modFunc::DeleteFileIfExists(systemFileSystem(), "")), EINVAL);
}

} // namespace
} // namespace pellora
