#include "SettingsTestFiles.h"

#include "platform/text/PathText.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "support/NonRegularFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace pellora {
namespace {

using Place = SettingsLocation::Place;

#ifdef _WIN32
const std::filesystem::path kProgramFolder = L"C:\\Games\\Pellora";
#else
const std::filesystem::path kProgramFolder = "/opt/games/bin";
#endif

struct LocationCase {
    const char* name;
    bool iniBeside;
    bool folderWritable;
    std::map<std::string, std::string> environment;
    std::filesystem::path accountHome;
    std::filesystem::path expectedFile;
    Place expectedPlace;
};

// The machine as the rule sees it; a read-only program folder without
// permission bits, which root would ignore.
SettingsLocation::Probe probeFor(const LocationCase& c)
{
    SettingsLocation::Probe probe;
    probe.entryExists = [c](const std::filesystem::path& path) {
        return c.iniBeside && path == kProgramFolder / "Pellora.ini";
    };
    probe.folderWritable = [c](const std::filesystem::path& folder) {
        EXPECT_EQ(folder, kProgramFolder);
        return c.folderWritable;
    };
    probe.environment = [c](const char* name) -> std::optional<std::string> {
        const auto found = c.environment.find(name);
        if (found == c.environment.end())
            return std::nullopt;
        return found->second;
    };
    probe.accountHome = [c] { return c.accountHome; };
    return probe;
}

#ifdef _WIN32
const std::string kAppData = "C:\\Users\\u\\AppData\\Roaming";
const std::filesystem::path kAccountAppData = L"C:\\Users\\a\\AppData\\Roaming";

const LocationCase kCases[] = {
    {"WritableFolderKeepsItBeside", false, true, {{"APPDATA", kAppData}}, kAccountAppData,
     kProgramFolder / "Pellora.ini", Place::BesideProgram},
    {"AnExistingFileBesideWinsOverAReadOnlyFolder", true, false, {{"APPDATA", kAppData}}, kAccountAppData,
     kProgramFolder / "Pellora.ini", Place::BesideProgram},
    {"ReadOnlyFolderUsesAppData", false, false, {{"APPDATA", kAppData}}, kAccountAppData,
     L"C:\\Users\\u\\AppData\\Roaming\\Pellora\\Pellora.ini", Place::UserConfigFolder},
    {"WithoutAppDataTheAccountsFolder", false, false, {}, kAccountAppData,
     kAccountAppData / "Pellora" / "Pellora.ini", Place::UserConfigFolder},
    {"AnEmptyAppDataIsIgnored", false, false, {{"APPDATA", ""}}, kAccountAppData,
     kAccountAppData / "Pellora" / "Pellora.ini", Place::UserConfigFolder},
    {"ARelativeAppDataIsIgnored", false, false, {{"APPDATA", "AppData"}}, kAccountAppData,
     kAccountAppData / "Pellora" / "Pellora.ini", Place::UserConfigFolder},
    {"NoFolderAnywhereStaysBeside", false, false, {}, "", kProgramFolder / "Pellora.ini", Place::BesideProgram},
    // Half of a surrogate pair: a name Windows holds that no UTF-8 text can carry.
    {"AFolderNameTheSettingsClassCannotCarryStaysBeside", false, false, {}, std::wstring(L"C:\\Users\\\xD800"),
     kProgramFolder / "Pellora.ini", Place::BesideProgram},
    {"JapaneseFolderNamesAreKept", false, false, {{"APPDATA", "C:\\Users\\ユーザー\\設定"}}, "",
     L"C:\\Users\\\u30E6\u30FC\u30B6\u30FC\\\u8A2D\u5B9A\\Pellora\\Pellora.ini", Place::UserConfigFolder},
};
#else
const std::string kNotUtf8 = "/tmp/\xff\xfe";

const LocationCase kCases[] = {
    {"WritableFolderKeepsItBeside", false, true, {{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}}, "/home/u",
     kProgramFolder / "Pellora.ini", Place::BesideProgram},
    {"AnExistingFileBesideWinsOverAReadOnlyFolder", true, false, {{"XDG_CONFIG_HOME", "/cfg"}}, "/home/u",
     kProgramFolder / "Pellora.ini", Place::BesideProgram},
    {"ReadOnlyFolderUsesXdgConfigHome", false, false, {{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}}, "/home/a",
     "/cfg/pellora/Pellora.ini", Place::UserConfigFolder},
    {"WithoutXdgConfigHomeTheHomeConfigFolder", false, false, {{"HOME", "/home/u"}}, "/home/a",
     "/home/u/.config/pellora/Pellora.ini", Place::UserConfigFolder},
    {"AnEmptyXdgConfigHomeIsIgnored", false, false, {{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}}, "/home/a",
     "/home/u/.config/pellora/Pellora.ini", Place::UserConfigFolder},
    {"ARelativeXdgConfigHomeIsIgnored", false, false, {{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/u"}}, "/home/a",
     "/home/u/.config/pellora/Pellora.ini", Place::UserConfigFolder},
    {"WithoutHomeTheAccountsHomeFolder", false, false, {}, "/home/a", "/home/a/.config/pellora/Pellora.ini",
     Place::UserConfigFolder},
    {"ARelativeHomeFallsBackToTheAccount", false, false, {{"HOME", "."}}, "/home/a",
     "/home/a/.config/pellora/Pellora.ini", Place::UserConfigFolder},
    {"NoHomeAnywhereStaysBeside", false, false, {}, "", kProgramFolder / "Pellora.ini", Place::BesideProgram},
    {"AFolderNameTheSettingsClassCannotCarryStaysBeside", false, false, {{"XDG_CONFIG_HOME", kNotUtf8}}, "/home/a",
     kProgramFolder / "Pellora.ini", Place::BesideProgram},
    {"JapaneseFolderNamesAreKept", false, false, {{"XDG_CONFIG_HOME", "/home/ユーザー/設定"}}, "",
     "/home/ユーザー/設定/pellora/Pellora.ini", Place::UserConfigFolder},
};
#endif

class SettingsLocationRuleTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(SettingsLocationRuleTest, PicksTheFileByTheRule)
{
    const LocationCase& c = GetParam();
    const SettingsLocation location = SettingsLocation::find(kProgramFolder, probeFor(c));
    EXPECT_EQ(location.file(), c.expectedFile);
    EXPECT_EQ(location.place(), c.expectedPlace);
    EXPECT_EQ(pathText::toPath(pathText::toText(location.file())), c.expectedFile) << "named as text, it is the same file";
}

INSTANTIATE_TEST_SUITE_P(EveryBranch, SettingsLocationRuleTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The real machine: a folder that is gone takes no file, nor do the system's
// program folders even for root, and a link named like the settings file
// counts even when it leads nowhere.
TEST(SettingsLocationSystemTest, TheSystemProbeSeesFoldersAndLinks)
{
    test::TempDir dir;
    const SettingsLocation::Probe probe = SettingsLocation::systemProbe();
    EXPECT_TRUE(probe.folderWritable(dir.path()));
    EXPECT_FALSE(probe.folderWritable(dir / "gone"));
#ifdef _WIN32
    // Only trying tells: the try leaves nothing behind.
    EXPECT_TRUE(test::listNames(dir.path()).empty());
    test::writeBytes(dir / "file", {1});
    EXPECT_FALSE(probe.folderWritable(dir / "file"));
#else
    EXPECT_FALSE(probe.folderWritable("/usr/bin"));
    EXPECT_FALSE(probe.folderWritable("/usr/local/bin"));
#endif
    EXPECT_FALSE(probe.entryExists(dir / "other.ini"));
    if (!test::makeLink(dir / "elsewhere.ini", dir / "Pellora.ini"))
        GTEST_SKIP() << test::kNoLinks;
    EXPECT_TRUE(probe.entryExists(dir / "Pellora.ini"));
}

TEST(SettingsLocationSaveTest, TheFirstSaveCreatesTheFolderForTheOwnerAndTheSameBytes)
{
    test::TempDir dir;
    const SettingsLocation location(dir / "config" / "pellora" / "Pellora.ini", Place::UserConfigFolder);
    ASSERT_FALSE(std::filesystem::exists(dir / "config"));

    ASSERT_TRUE(location.prepareForSaving());
    const Settings settings{"/home/u/.wine/drive_c/ゲーム", "/home/u/Vask_SS", "sshot", 50, false, true};
    ASSERT_TRUE(settings.save(location.file()));

    EXPECT_EQ(test::readText(location.file()), "[initialize]\r\n"
                                               "indir=/home/u/.wine/drive_c/\x83Q\x81[\x83\x80\r\n"
                                               "outdir=/home/u/Vask_SS\r\n"
                                               "match=sshot\r\n"
                                               "quality=50\r\n"
                                               "delcheck=0\r\n"
                                               "logcheck=1\r\n");
#ifndef _WIN32 // Windows gives a new folder the rights of its parent's access list
    for (const auto& folder : {dir / "config", dir / "config" / "pellora"}) {
        struct stat info {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
#endif
    EXPECT_TRUE(location.prepareForSaving()) << "a second save finds the folder there";
}

TEST(SettingsLocationSaveTest, BesideTheProgramNothingIsCreated)
{
    test::TempDir dir;
    const SettingsLocation location(dir / "gone" / "Pellora.ini", Place::BesideProgram);
    EXPECT_TRUE(location.prepareForSaving());
    EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
}

TEST(SettingsLocationSaveTest, AFileWhereTheFolderBelongsIsReportedAndLeftAlone)
{
    test::TempDir dir;
    test::writeBytes(dir / "config", {'x'});
    const SettingsLocation location(dir / "config" / "pellora" / "Pellora.ini", Place::UserConfigFolder);
    const Status prepared = location.prepareForSaving();
    ASSERT_FALSE(prepared);
#ifdef _WIN32 // which finds no path through a file, as through a missing folder
    EXPECT_EQ(prepared.error().systemError, ENOENT);
#else
    EXPECT_EQ(prepared.error().systemError, ENOTDIR);
#endif
    EXPECT_EQ(test::readText(dir / "config"), "x");
}

} // namespace
} // namespace pellora
