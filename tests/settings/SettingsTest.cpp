#include "SettingsTestFiles.h"

#include "settings/Settings.h"
#include "settings/clsIniFile.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

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
        EXPECT_EQ(Settings::qualityFrom(QString::fromLatin1(c.stored)), c.quality) << c.stored;
}

TEST(SettingValueRules, OptionsTakeWhatConvertsToZeroOrOneElseTheirDefault)
{
    for (const char* one : {"1", "01", "+1", "1.0", "0.6", "1e0", " 1"}) {
        EXPECT_TRUE(Settings::optionFrom(QString::fromLatin1(one), false)) << one;
        EXPECT_TRUE(Settings::optionFrom(QString::fromLatin1(one), true)) << one;
    }
    for (const char* zero : {"0", "00", "-0", "0.0", "0.4", "0e5"}) {
        EXPECT_FALSE(Settings::optionFrom(QString::fromLatin1(zero), false)) << zero;
        EXPECT_FALSE(Settings::optionFrom(QString::fromLatin1(zero), true)) << zero;
    }
    for (const char* bad : {"2", "-1", "1.6", "yes", ""}) {
        EXPECT_FALSE(Settings::optionFrom(QString::fromLatin1(bad), false)) << bad;
        EXPECT_TRUE(Settings::optionFrom(QString::fromLatin1(bad), true)) << bad;
    }
}

// A save rewrites the file once, and leaves exactly what six writes of one
// value each, in key-table order, would leave.
TEST(SettingsSave, OneRewriteLeavesTheBytesOfSixSingleWrites)
{
    const std::string mine = "\xEF\xBB\xBF; saved as UTF-8: a value here does not fit code page 932\r\n";
    const struct {
        const char* name;
        std::optional<std::string> before;
        QString outDir;
    } cases[] = {
        {"no file yet", std::nullopt, QStringLiteral("D:\\out")},
        {"foreign lines and sections",
         "; written by hand\r\n[other]\r\nfoo=bar\r\n\r\n[initialize]\r\nquality=80\r\n; my prefix:\r\nmatch = shot\r\n"
         "\r\n[later]\r\nindir=not this one",
         QStringLiteral("D:\\\x5199\x771F")},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF[initialize]\nmatch=\xE7\x94\xBB\xE9\x9D\xA2\n", QStringLiteral("D:\\out")},
        {"a value code page 932 cannot hold", "; \x8E\xCA\x90\x5E\r\n[initialize]\r\noutdir=D:\\old\r\n",
         QStringLiteral("/home/u/M\u00FAsica")},
        {"back to code page 932", mine + "[initialize]\r\noutdir=/home/u/M\xC3\xBAsica\r\n", QStringLiteral("D:\\out")},
        {"a value that cannot be stored at all", "[initialize]\r\nfoo=\x85\x40\r\n", QStringLiteral("/home/u/M\u00FAsica")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::SettingsTestFile once, sixTimes;
        if (c.before) {
            once.write(*c.before);
            sixTimes.write(*c.before);
        }
        const Settings settings{QStringLiteral("D:\\in"), c.outDir, QStringLiteral("pic"), 90, true, false};
        test::FakeFileSystem fs;
        bool saved = false;
        {
            ScopedFileSystem seam(fs);
            saved = settings.save(once.name());
        }
        EXPECT_EQ(fs.calls({test::FakeFileSystem::Op::Rename}).size(), 1u) << "one replace of the file";

        clsIniFile ini;
        ini.FileName(sixTimes.name());
        const QString values[] = {settings.inDir, settings.outDir, settings.prefix, "90", "1", "0"};
        bool allSaved = true;
        for (size_t i = 0; i < std::size(values); ++i)
            allSaved = ini.PutIni("initialize", QString::fromLatin1(Settings::keyTable()[i].key), values[i]) && allSaved;

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
    const std::vector<std::pair<QString, QString>> entries{
        {QStringLiteral("match"), QStringLiteral("pic")}, {QStringLiteral("bad=key"), QStringLiteral("/home/u/M\u00FAsica")}};
    test::SettingsTestFile once, oneByOne;
    once.write("[initialize]\r\n");
    oneByOne.write("[initialize]\r\n");
    clsIniFile ini;
    ini.FileName(once.name());
    EXPECT_FALSE(ini.PutIni("initialize", entries));
    ini.FileName(oneByOne.name());
    for (const auto& [key, value] : entries)
        ini.PutIni("initialize", key, value);
    EXPECT_EQ(once.read(), "[initialize]\r\nmatch=pic\r\n");
    EXPECT_EQ(once.read(), oneByOne.read());
}

TEST(SettingsSave, AValueCodePage932CannotHoldTurnsTheFileToUtf8)
{
    test::SettingsTestFile file;
    file.write("[initialize]\r\n");
    Settings settings = Settings::defaults();
    settings.outDir = QStringLiteral("/home/u/M\u00FAsica");
    ASSERT_TRUE(settings.save(file.name()));
    EXPECT_TRUE(file.read().starts_with("\xEF\xBB\xBF; saved as UTF-8")) << file.read();
    EXPECT_NE(file.read().find("outdir=/home/u/M\xC3\xBAsica\r\n"), std::string::npos);
    EXPECT_EQ(Settings::load(file.name()), settings);
}

} // namespace
} // namespace pellora
