#include "SettingsTestFiles.h"

#include "platform/io/TemporaryFiles.h"
#include "settings/Settings.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pellora {
namespace {

using test::SettingsTestFile;
using test::writeOne;

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

// Makes one step of a save fail, as a read-only folder or file, a full disk
// or a failing device would (root ignores permission bits).
void failStep(test::FakeFileSystem& fs, FailingStep step)
{
    using Op = test::FakeFileSystem::Op;
    switch (step) {
    case FailingStep::CreateTemporary: fs.fail(Op::Open, EACCES, "create "); break;
    case FailingStep::OpenExistingForWriting: fs.fail(Op::Open, EACCES, "open-w "); break;
    case FailingStep::Write: fs.fail(Op::Write, ENOSPC); break;
    case FailingStep::Fsync: fs.fail(Op::Fsync, EIO); break;
    case FailingStep::Rename: fs.fail(Op::Rename, EACCES); break;
    case FailingStep::Read: fs.fail(Op::Read, EIO); break;
    }
}

const std::string kOldContents = "; mine\r\n[initialize]\r\nquality=80\r\n";

class SaveFailureTest : public ::testing::TestWithParam<FailingStep> {
protected:
    SettingsTestFile file;
    test::FakeFileSystem fs;
};

TEST_P(SaveFailureTest, AFailedSaveReturnsNormallyAndLeavesTheOldFileAsItWas)
{
    file.write(kOldContents);
    const IniFile ini(file.path(), fs);
    failStep(fs, GetParam());
    {
        ScopedFileSystem scoped(fs);
        EXPECT_FALSE(writeOne(ini, "initialize", "quality", "70"));
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
    const IniFile ini(file.path(), fs);
    failStep(fs, GetParam());
    {
        ScopedFileSystem scoped(fs);
        EXPECT_FALSE(writeOne(ini, "initialize", "quality", "70"));
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
    using Op = test::FakeFileSystem::Op;
    test::FakeFileSystem fs;
    std::vector<std::string> namesWhileWriting;
    fs.after(Op::Open, "create ", [&] { namesWhileWriting = test::listNames(file.folder()); });
    const IniFile ini(file.path(), fs);
    {
        ScopedFileSystem scoped(fs);
        ASSERT_TRUE(writeOne(ini, "initialize", "quality", "70"));
    }
    const auto calls = fs.calls({Op::Open, Op::Write, Op::Fsync, Op::Rename});
    const auto created = std::find_if(calls.begin(), calls.end(), [](const auto& call) { return call.starts_with("create "); });
    ASSERT_NE(created, calls.end());
    const std::string temporary = created->substr(7);
    EXPECT_TRUE(temporaryFiles::isOurs(temporary)) << temporary;
    EXPECT_EQ(namesWhileWriting, (std::vector<std::string>{temporary, "Pellora.ini"})) << "written beside the file";
    const std::string folder = file.folder().filename().string();
    const std::vector<std::string> expected{
        "open-r Pellora.ini", "open-w Pellora.ini", "create " + temporary, "write " + temporary, "fsync " + temporary,
        "replace " + temporary + " Pellora.ini", "open-r " + folder, "fsync " + folder};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(file.read(), "; mine\r\n[initialize]\r\nquality=70\r\n");
}

TEST(SaveOrderTest, AnUnchangedValueIsNotWrittenAgain)
{
    SettingsTestFile file;
    file.write(kOldContents);
    test::FakeFileSystem fs;
    failStep(fs, FailingStep::CreateTemporary);
    const IniFile ini(file.path(), fs);
    ScopedFileSystem scoped(fs);
    EXPECT_TRUE(writeOne(ini, "initialize", "quality", "80")) << "the value is on disk already";
    EXPECT_EQ(file.read(), kOldContents);
}

TEST(SaveOrderTest, AnUnreadableFileReadsDefaults)
{
    SettingsTestFile file;
    file.write(kOldContents);
    test::FakeFileSystem fs;
    failStep(fs, FailingStep::Read);
    const IniFile ini(file.path(), fs);
    ScopedFileSystem scoped(fs);
    EXPECT_EQ(ini.read().error().systemError, EIO);
    EXPECT_EQ(Settings::load(file.path()).quality, 50) << "the file says 80";
}

TEST(SaveOrderTest, WhatAKilledSaveLeftIsRemovedByTheNextOne)
{
    SettingsTestFile file;
    file.write(kOldContents);
    const auto left = temporaryFiles::nameIn(file.folder());
    test::writeBytes(left, {'h', 'a', 'l', 'f'});
    const IniFile ini(file.path());
    ASSERT_TRUE(writeOne(ini, "initialize", "quality", "70"));
    EXPECT_EQ(test::listNames(file.folder()), std::vector<std::string>{"Pellora.ini"});
}

TEST(SaveTargetTest, ALinkedFileIsUpdatedThroughTheLinkAndKeepsItsMode)
{
#ifdef _WIN32
    GTEST_SKIP() << "Unix modes: Windows keeps a file's rights in its access list";
#else
    SettingsTestFile file;
    const std::filesystem::path real = file.folder() / "real.ini";
    test::writeBytes(real, {kOldContents.begin(), kOldContents.end()});
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, file.path());
    const IniFile ini(file.path());
    ASSERT_TRUE(writeOne(ini, "initialize", "quality", "70"));
    EXPECT_TRUE(std::filesystem::is_symlink(file.path()));
    EXPECT_EQ(test::readText(real), "; mine\r\n[initialize]\r\nquality=70\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
#endif
}

// `sudo pellora` over a user's settings file: the user must still be able to
// read and save it afterwards.
TEST(SaveTargetTest, AFileRootReplacesKeepsItsOwnerGroupAndMode)
{
#ifdef _WIN32
    GTEST_SKIP() << "Unix owners and modes: Windows keeps a file's rights in its access list";
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    constexpr uid_t kOwner = 4242;
    constexpr gid_t kGroup = 4343;
    struct Case {
        const char* name;
        mode_t mode;
        bool behindALink;
    };
    const Case cases[] = {
        {"another user's private file", 0600, false},
        {"another user's file everybody may read", 0644, false},
        {"a set-group-id bit, which a change of owner clears", 02750, false},
        {"another user's file behind a link", 0600, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsTestFile file;
        const std::filesystem::path real = c.behindALink ? file.folder() / "real.ini" : file.path();
        test::writeBytes(real, {kOldContents.begin(), kOldContents.end()});
        ASSERT_EQ(::chown(real.c_str(), kOwner, kGroup), 0);
        ASSERT_EQ(::chmod(real.c_str(), c.mode), 0);
        if (c.behindALink)
            std::filesystem::create_symlink(real, file.path());
        const IniFile ini(file.path());
        ASSERT_TRUE(writeOne(ini, "initialize", "quality", "70"));
        EXPECT_EQ(test::readText(real), "; mine\r\n[initialize]\r\nquality=70\r\n");
        struct stat info {};
        ASSERT_EQ(::stat(real.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, kOwner);
        EXPECT_EQ(info.st_gid, kGroup);
        EXPECT_EQ(info.st_mode & 07777, c.mode);
    }
#endif
}

} // namespace
} // namespace pellora
