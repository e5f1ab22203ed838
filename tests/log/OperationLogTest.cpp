#include "log/OperationLog.h"

#include "support/FakeFileSystem.h"
#include "support/NonRegularFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <functional>

namespace pellora {
namespace {

using test::TempDir;

int errorOf(const Status& status) { return status ? 0 : status.error().systemError; }

TEST(AppendLogLine, CreatesTheFileAndAppendsCrLfLines)
{
    TempDir dir;
    const auto log = dir / "kavlog.txt";
    ASSERT_TRUE(operationLog::appendLine(systemFileSystem(), "abc", log));
    EXPECT_EQ(test::readText(log), "abc\r\n");

    test::writeBytes(log, {'x', '\r', '\n'});
    ASSERT_TRUE(operationLog::appendLine(systemFileSystem(), "abc", log));
    EXPECT_EQ(test::readText(log), "x\r\nabc\r\n");
}

TEST(AppendLogLine, WritesTextExactlyAsGiven)
{
    TempDir dir;
    const auto log = dir / "kavlog.txt";
    test::writeBytes(log, {'x'}); // last line without its CR LF: the text continues it
    (void)operationLog::appendLine(systemFileSystem(), "a\r\nb", log);
    (void)operationLog::appendLine(systemFileSystem(), "end\r\n", log);
    (void)operationLog::appendLine(systemFileSystem(), "---処理開始--- [", log);
    EXPECT_EQ(test::readText(log), std::string("xa\r\nb\r\nend\r\n\r\n"
                                               "\x2D\x2D\x2D\x8F\x88\x97\x9D\x8A\x4A\x8E\x6E\x2D\x2D\x2D\x20\x5B\r\n"));
}

TEST(AppendLogLine, ReportsFailuresToTheCaller)
{
    TempDir dir;
    EXPECT_EQ(errorOf(operationLog::appendLine(systemFileSystem(), "a", dir / "missing" / "kavlog.txt")), ENOENT);
    EXPECT_FALSE(operationLog::appendLine(systemFileSystem(), "a", dir.path())); // a folder

    // A read-only log: root would write anyway, so the refusal comes through the seam.
    test::FakeFileSystem fs;
    fs.fail(test::FakeFileSystem::Op::Open, EACCES);
    EXPECT_EQ(errorOf(operationLog::appendLine(fs, "a", dir / "kavlog.txt")), EACCES);

    test::FakeFileSystem full;
    full.fail(test::FakeFileSystem::Op::Write, ENOSPC);
    EXPECT_EQ(errorOf(operationLog::appendLine(full, "a", dir / "kavlog.txt")), ENOSPC);
}

TEST(AppendLogLine, WritesOnlyARegularFileAndNeverWaits)
{
    TempDir dir;
    const std::vector<unsigned char> picture = {0xFF, 0xD8, 'p', 0xFF, 0xD9};
    test::writeBytes(dir / "picture.jpg", picture);
    const bool fifoMade = test::makeFifo(dir / "fifo"); // Windows has none
    auto linkTo = [&](const char* target) {
        return [&dir, target](const std::filesystem::path& at) { return test::makeLink(dir / target, at); };
    };
    struct Case {
        const char* name;
        std::function<bool(const std::filesystem::path&)> make;
    };
    const Case cases[] = {
        {"a FIFO", test::makeFifo},
        {"a link to a picture", linkTo("picture.jpg")},
        {"a link to a FIFO", [&](const std::filesystem::path& at) { return fifoMade && linkTo("fifo")(at); }},
        {"a dangling link", linkTo("nothing.txt")},
        {"a socket", test::makeSocket},
        {"a device", test::makeCharDevice},
        {"a folder", [](const std::filesystem::path& at) { return std::filesystem::create_directory(at); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto log = dir / (std::string("log-") + c.name);
        if (!c.make(log))
            continue; // not allowed on this machine (device nodes; FIFOs and links on Windows)
        const std::string kind = test::kindOf(log);
        ASSERT_TRUE(test::endsWithin(std::chrono::seconds(5), [&] { (void)operationLog::appendLine(systemFileSystem(), "a", log); }))
            << "the append waited";
        EXPECT_FALSE(operationLog::appendLine(systemFileSystem(), "a", log));
        EXPECT_EQ(test::kindOf(log), kind);
    }
    EXPECT_EQ(test::readBytes(dir / "picture.jpg"), picture);
    EXPECT_FALSE(std::filesystem::exists(dir / "nothing.txt"));
}

} // namespace
} // namespace pellora
