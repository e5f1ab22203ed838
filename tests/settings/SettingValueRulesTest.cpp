#include "settings/SettingValueRules.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

TEST(SettingValueRules, QualityTakesWholeNumbersFromOneToHundred)
{
    EXPECT_EQ(SettingValueRules::quality(QStringLiteral("80")), 80);
    EXPECT_EQ(SettingValueRules::quality(QStringLiteral(" 1 ")), 1);
    EXPECT_EQ(SettingValueRules::quality(QStringLiteral("100")), 100);
    for (const char* bad : {"0", "101", "abc", "80.5", "", "-5", "1e2", "99999"})
        EXPECT_EQ(SettingValueRules::quality(QString::fromLatin1(bad)), 50) << bad;
}

TEST(SettingValueRules, OptionsTakeZeroOrOneElseTheirDefault)
{
    EXPECT_EQ(SettingValueRules::option(QStringLiteral("1"), 0), 1);
    EXPECT_EQ(SettingValueRules::option(QStringLiteral("0"), 1), 0);
    for (const char* bad : {"2", "-1", "0.6", "yes", ""}) {
        EXPECT_EQ(SettingValueRules::option(QString::fromLatin1(bad), 0), 0) << bad;
        EXPECT_EQ(SettingValueRules::option(QString::fromLatin1(bad), 1), 1) << bad;
    }
}

} // namespace
} // namespace pellora
