#include "SettingsTestFiles.h"

#include "platform/io/FileSystem.h"
#include "settings/clsIniFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>

namespace pellora {
namespace {

using test::SettingsTestFile;

enum class FailingStep { CreateTemporary, OpenExistingForWriting, Write, Fsync, Rename, Read };

const char* nameOf(FailingStep step)
{
    switch (step) {
    case FailingStep::CreateTemporary: return "CreateTemporary";
    case FailingStep::OpenExistingForWriting: return "OpenExistingForWriting";
    case FailingStep::Write: return "Write";
    case FailingStep::Fsync: return "Fsync";
    case FailingStep::Rename: return "Rename";
    case FailingStep::Read: return "Read";
    }
    return "?";
}

// Records every call and makes one step fail, as a read-only folder or file,
// a full disk or a failing device would (root ignores permission bits).
class InjectingFileSystem : public FileSystem {
public:
    std::optional<FailingStep> failing;
    std::vector<std::string> calls;

    int open(const std::filesystem::path& path, int flags, mode_t mode) override
    {
        const bool forWriting = (flags & O_ACCMODE) != O_RDONLY;
        record((flags & O_CREAT) ? "create " + path.filename().string()
                                 : (forWriting ? "open-w " : "open-r ") + path.filename().string());
        if ((flags & O_CREAT) && failing == FailingStep::CreateTemporary)
            return -EACCES;
        if (forWriting && !(flags & O_CREAT) && failing == FailingStep::OpenExistingForWriting)
            return -EACCES;
        return FileSystem::open(path, flags, mode);
    }
    ssize_t read(int fd, void* buffer, size_t size) override
    {
        if (failing == FailingStep::Read)
            return -EIO;
        return FileSystem::read(fd, buffer, size);
    }
    ssize_t write(int fd, const void* buffer, size_t size) override
    {
        record("write");
        if (failing == FailingStep::Write)
            return -ENOSPC;
        return FileSystem::write(fd, buffer, size);
    }
    int fsync(int fd) override
    {
        record("fsync");
        return failing == FailingStep::Fsync ? -EIO : FileSystem::fsync(fd);
    }
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        record("rename " + from.filename().string() + " " + to.filename().string());
        renamedFrom = from;
        if (failing == FailingStep::Rename)
            return -EACCES;
        return FileSystem::rename(from, to);
    }

    std::filesystem::path renamedFrom;

private:
    void record(std::string call)
    {
        std::lock_guard lock(mutex_);
        calls.push_back(std::move(call));
    }
    std::mutex mutex_;
};

const std::string kOldContents = "; mine\r\n[initialize]\r\nquality=80\r\n";

class SaveFailureTest : public ::testing::TestWithParam<FailingStep> {
protected:
    SettingsTestFile file;
    InjectingFileSystem fs;
};

TEST_P(SaveFailureTest, AFailedSaveReturnsNormallyAndLeavesTheOldFileAsItWas)
{
    file.write(kOldContents);
    clsIniFile ini;
    ini.FileName(file.name());
    fs.failing = GetParam();
    {
        ScopedFileSystem scoped(fs);
        EXPECT_FALSE(ini.PutIni("initialize", "quality", "70"));
    }
    EXPECT_EQ(file.read(), kOldContents);
    EXPECT_EQ(test::listNames(file.folder()), std::vector<std::string>{"Pellora.ini"})
        << "no temporary file may stay behind";
}

INSTANTIATE_TEST_SUITE_P(EveryStep, SaveFailureTest,
                         ::testing::Values(FailingStep::CreateTemporary, FailingStep::OpenExistingForWriting,
                                           FailingStep::Write, FailingStep::Fsync, FailingStep::Rename,
                                           FailingStep::Read),
                         [](const auto& info) { return std::string(nameOf(info.param)); });

using FirstSaveFailureTest = SaveFailureTest;

TEST_P(FirstSaveFailureTest, AFailedFirstSaveCreatesNoFile)
{
    clsIniFile ini;
    ini.FileName(file.name());
    fs.failing = GetParam();
    {
        ScopedFileSystem scoped(fs);
        EXPECT_FALSE(ini.PutIni("initialize", "quality", "70"));
    }
    EXPECT_TRUE(test::listNames(file.folder()).empty());
}

INSTANTIATE_TEST_SUITE_P(EveryWritingStep, FirstSaveFailureTest,
                         ::testing::Values(FailingStep::CreateTemporary, FailingStep::Write, FailingStep::Fsync,
                                           FailingStep::Rename),
                         [](const auto& info) { return std::string(nameOf(info.param)); });

TEST(SaveOrderTest, TheNewContentsAreSyncedBesideTheFileBeforeTheyReplaceIt)
{
    SettingsTestFile file;
    file.write(kOldContents);
    InjectingFileSystem fs;
    clsIniFile ini;
    ini.FileName(file.name());
    {
        ScopedFileSystem scoped(fs);
        ASSERT_TRUE(ini.PutIni("initialize", "quality", "70"));
    }
    const std::string temporary = fs.renamedFrom.filename().string();
    ASSERT_FALSE(temporary.empty());
    EXPECT_EQ(fs.renamedFrom.parent_path(), file.folder());
    EXPECT_TRUE(temporary.starts_with(".Pellora.ini.tmp-")) << temporary;
    const std::vector<std::string> expected{
        "open-r Pellora.ini",        "open-w Pellora.ini",  "create " + temporary, "write", "fsync",
        "rename " + temporary + " Pellora.ini", "open-r " + file.folder().filename().string(), "fsync"};
    EXPECT_EQ(fs.calls, expected);
    EXPECT_EQ(file.read(), "; mine\r\n[initialize]\r\nquality=70\r\n");
}

TEST(SaveOrderTest, AnUnchangedValueIsNotWrittenAgain)
{
    SettingsTestFile file;
    file.write(kOldContents);
    InjectingFileSystem fs;
    fs.failing = FailingStep::CreateTemporary;
    clsIniFile ini;
    ini.FileName(file.name());
    ScopedFileSystem scoped(fs);
    EXPECT_TRUE(ini.PutIni("initialize", "quality", "80")) << "the value is on disk already";
    EXPECT_EQ(file.read(), kOldContents);
}

TEST(SaveOrderTest, AnUnreadableFileReadsDefaults)
{
    SettingsTestFile file;
    file.write(kOldContents);
    InjectingFileSystem fs;
    fs.failing = FailingStep::Read;
    clsIniFile ini;
    ini.FileName(file.name());
    ScopedFileSystem scoped(fs);
    EXPECT_EQ(ini.GetIni("initialize", "quality", "50"), "50");
}

TEST(SaveTargetTest, ALinkedFileIsUpdatedThroughTheLinkAndKeepsItsMode)
{
    SettingsTestFile file;
    const std::filesystem::path real = file.folder() / "real.ini";
    test::writeBytes(real, {kOldContents.begin(), kOldContents.end()});
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, file.path());
    clsIniFile ini;
    ini.FileName(file.name());
    ASSERT_TRUE(ini.PutIni("initialize", "quality", "70"));
    EXPECT_TRUE(std::filesystem::is_symlink(file.path()));
    EXPECT_EQ(test::readText(real), "; mine\r\n[initialize]\r\nquality=70\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

} // namespace
} // namespace pellora
