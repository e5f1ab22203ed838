#include "SettingsTestFiles.h"

#include "settings/Settings.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

// The settings a file holding these lines of [initialize] gives.
Settings settingsOf(const std::string& lines)
{
    return Settings::from(IniContents("[initialize]\r\n" + lines));
}

// Stored numbers convert as serials do; only a number the control cannot
// hold gives the default.
TEST(SettingValueRules, QualityTakesWhatConvertsToOneToHundred)
{
    const struct {
        const char* stored;
        int quality;
    } cases[] = {
        {"80", 80},  {" 1 ", 1},  {"100", 100}, {"080", 80},    {"+80", 80},   {"8e1", 80},    {"80.0", 80},
        {"80.5", 80}, {"0.6", 1}, {"1e2", 100}, {"100.5", 100}, {"0.5", 50},   {"100.6", 50},  {"0", 50},
        {"101", 50}, {"abc", 50}, {"", 50},     {"-5", 50},     {"99999", 50}, {"8 0", 50},    {"80%", 50},
    };
    for (const auto& c : cases)
        EXPECT_EQ(settingsOf("quality=" + std::string(c.stored) + "\r\n").quality, c.quality) << c.stored;
}

// Both options, the one off by default (delcheck) and the one on (logcheck).
TEST(SettingValueRules, OptionsTakeWhatConvertsToZeroOrOneElseTheirDefault)
{
    auto both = [](const char* stored) {
        return settingsOf("delcheck=" + std::string(stored) + "\r\nlogcheck=" + std::string(stored) + "\r\n");
    };
    for (const char* one : {"1", "01", "+1", "1.0", "0.6", "1e0", " 1"}) {
        EXPECT_TRUE(both(one).deleteSources) << one;
        EXPECT_TRUE(both(one).log) << one;
    }
    for (const char* zero : {"0", "00", "-0", "0.0", "0.4", "0e5"}) {
        EXPECT_FALSE(both(zero).deleteSources) << zero;
        EXPECT_FALSE(both(zero).log) << zero;
    }
    for (const char* bad : {"2", "-1", "1.6", "yes", ""}) {
        EXPECT_FALSE(both(bad).deleteSources) << bad;
        EXPECT_TRUE(both(bad).log) << bad;
    }
}

// Loading takes every setting from one read of the file.
TEST(SettingsLoad, ReadsTheFileOnce)
{
    test::SettingsTestFile file;
    file.write("[initialize]\r\nindir=D:\\in\r\nmatch=pic\r\nquality=80\r\nlogcheck=0\r\n");
    test::FakeFileSystem fs;
    Settings loaded;
    {
        ScopedFileSystem seam(fs);
        loaded = Settings::load(file.path());
    }
    EXPECT_EQ(fs.calls({test::FakeFileSystem::Op::Open}), std::vector<std::string>{"open-r Pellora.ini"});
    Settings expected = Settings::defaults();
    expected.inDir = "D:\\in";
    expected.prefix = "pic";
    expected.quality = 80;
    expected.log = false;
    EXPECT_EQ(loaded, expected);
}

// The command line's values replace the stored ones; each one not given
// leaves its stored value.
TEST(SettingsOverlay, GivenValuesReplaceTheStoredOnesAndNoOthers)
{
    const Settings stored{"D:\\in", "D:\\out", "pic", 80, false, true};
    Settings settings = stored;
    settings.overlay({});
    EXPECT_EQ(settings, stored);

    settings.overlay({std::nullopt, "/out", std::nullopt, 95, true, std::nullopt});
    EXPECT_EQ(settings, (Settings{"D:\\in", "/out", "pic", 95, true, true}));

    settings.overlay({"/in", "/o", "shot", 1, false, false});
    EXPECT_EQ(settings, (Settings{"/in", "/o", "shot", 1, false, false}));
}

// A save rewrites the file once, and leaves exactly what six writes of one
// value each, in key-table order, would leave.
TEST(SettingsSave, OneRewriteLeavesTheBytesOfSixSingleWrites)
{
    const std::string mine = "\xEF\xBB\xBF; saved as UTF-8: a value here does not fit code page 932\r\n";
    const struct {
        const char* name;
        std::optional<std::string> before;
        std::string outDir;
    } cases[] = {
        {"no file yet", std::nullopt, "D:\\out"},
        {"foreign lines and sections",
         "; written by hand\r\n[other]\r\nfoo=bar\r\n\r\n[initialize]\r\nquality=80\r\n; my prefix:\r\nmatch = shot\r\n"
         "\r\n[later]\r\nindir=not this one",
         "D:\\\u5199\u771F"},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF[initialize]\nmatch=\xE7\x94\xBB\xE9\x9D\xA2\n", "D:\\out"},
        {"a value code page 932 cannot hold", "; \x8E\xCA\x90\x5E\r\n[initialize]\r\noutdir=D:\\old\r\n",
         "/home/u/M\u00FAsica"},
        {"back to code page 932", mine + "[initialize]\r\noutdir=/home/u/M\xC3\xBAsica\r\n", "D:\\out"},
        {"a value that cannot be stored at all", "[initialize]\r\nfoo=\x85\x40\r\n", "/home/u/M\u00FAsica"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::SettingsTestFile once, sixTimes;
        if (c.before) {
            once.write(*c.before);
            sixTimes.write(*c.before);
        }
        const Settings settings{"D:\\in", c.outDir, "pic", 90, true, false};
        test::FakeFileSystem fs;
        bool saved = false;
        {
            ScopedFileSystem seam(fs);
            saved = settings.save(once.path()).has_value();
        }
        EXPECT_EQ(fs.calls({test::FakeFileSystem::Op::Rename}).size(), 1u) << "one replace of the file";

        const IniFile ini(sixTimes.path());
        const std::pair<const char*, std::string> values[] = {{"indir", settings.inDir}, {"outdir", settings.outDir},
                                                              {"match", settings.prefix}, {"quality", "90"},
                                                              {"delcheck", "1"}, {"logcheck", "0"}};
        bool allSaved = true;
        for (const auto& [key, value] : values)
            allSaved = test::writeOne(ini, "initialize", key, value).has_value() && allSaved;

        EXPECT_EQ(saved, allSaved);
        ASSERT_EQ(std::filesystem::exists(once.path()), std::filesystem::exists(sixTimes.path()));
        if (std::filesystem::exists(once.path())) {
            EXPECT_EQ(once.read(), sixTimes.read());
        }
    }
}

// A value that cannot be stored leaves no trace, not even the change of
// encoding it would have needed.
TEST(SettingsSave, AValueLeftOutOfOneRewriteChangesNothingASingleWriteWouldNot)
{
    const std::vector<IniFile::Entry> entries{{"match", "pic"}, {"bad=key", "/home/u/M\u00FAsica"}};
    test::SettingsTestFile once, oneByOne;
    once.write("[initialize]\r\n");
    oneByOne.write("[initialize]\r\n");
    EXPECT_FALSE(IniFile(once.path()).write("initialize", entries));
    for (const auto& [key, value] : entries)
        (void)test::writeOne(IniFile(oneByOne.path()), "initialize", key, value);
    EXPECT_EQ(once.read(), "[initialize]\r\nmatch=pic\r\n");
    EXPECT_EQ(once.read(), oneByOne.read());
}

TEST(SettingsSave, AValueCodePage932CannotHoldTurnsTheFileToUtf8)
{
    test::SettingsTestFile file;
    file.write("[initialize]\r\n");
    Settings settings = Settings::defaults();
    settings.outDir = "/home/u/M\u00FAsica";
    ASSERT_TRUE(settings.save(file.path()));
    EXPECT_TRUE(file.read().starts_with("\xEF\xBB\xBF; saved as UTF-8")) << file.read();
    EXPECT_NE(file.read().find("outdir=/home/u/M\xC3\xBAsica\r\n"), std::string::npos);
    EXPECT_EQ(Settings::load(file.path()), settings);
}

} // namespace
} // namespace pellora
