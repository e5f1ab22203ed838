#include "settings/SettingValueRules.h"

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
        EXPECT_EQ(SettingValueRules::quality(QString::fromLatin1(c.stored)), c.quality) << c.stored;
}

TEST(SettingValueRules, OptionsTakeWhatConvertsToZeroOrOneElseTheirDefault)
{
    for (const char* one : {"1", "01", "+1", "1.0", "0.6", "1e0", " 1"}) {
        EXPECT_EQ(SettingValueRules::option(QString::fromLatin1(one), 0), 1) << one;
        EXPECT_EQ(SettingValueRules::option(QString::fromLatin1(one), 1), 1) << one;
    }
    for (const char* zero : {"0", "00", "-0", "0.0", "0.4", "0e5"}) {
        EXPECT_EQ(SettingValueRules::option(QString::fromLatin1(zero), 0), 0) << zero;
        EXPECT_EQ(SettingValueRules::option(QString::fromLatin1(zero), 1), 0) << zero;
    }
    for (const char* bad : {"2", "-1", "1.6", "yes", ""}) {
        EXPECT_EQ(SettingValueRules::option(QString::fromLatin1(bad), 0), 0) << bad;
        EXPECT_EQ(SettingValueRules::option(QString::fromLatin1(bad), 1), 1) << bad;
    }
}

} // namespace
} // namespace pellora
