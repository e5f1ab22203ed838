#include "settings/PrivateProfile.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

std::optional<std::string> valueIn(const std::string& bytes, std::string_view section, std::string_view key)
{
    return PrivateProfile(bytes).value(section, key);
}

TEST(PrivateProfileTest, TheFirstOfDuplicateSectionsAndKeysIsReadAndWritten)
{
    const std::string bytes = "[s]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\nonly=4\r\n";
    EXPECT_EQ(valueIn(bytes, "s", "k"), "1");
    // A key that only a later duplicate section holds is not there.
    EXPECT_EQ(valueIn(bytes, "s", "only"), std::nullopt);

    PrivateProfile profile(bytes);
    ASSERT_TRUE(profile.setValue("s", "k", "9"));
    ASSERT_TRUE(profile.setValue("s", "only", "5"));
    EXPECT_EQ(profile.bytes(), "[s]\r\nk=9\r\nk=2\r\nonly=5\r\n[S]\r\nk=3\r\nonly=4\r\n");
}

TEST(PrivateProfileTest, CommentsQuotesAndLinesBeforeAnySectionAreNotEntries)
{
    const std::string bytes = "k=outside\r\n[s]\r\n;k=commented\r\n  ; q=also\r\nq=\"  quoted  \"\r\nhalf=\"open\r\n";
    EXPECT_EQ(valueIn(bytes, "s", "k"), std::nullopt);
    EXPECT_EQ(valueIn(bytes, "s", "q"), "  quoted  ");
    EXPECT_EQ(valueIn(bytes, "s", "half"), "\"open");
}

TEST(PrivateProfileTest, SectionHeadersAllowBlanksInsideTheBrackets)
{
    EXPECT_EQ(valueIn("  [ s ]  trailing\r\nk=1\r\n", "s", "k"), "1");
    EXPECT_EQ(valueIn("[s\r\nk=1\r\n", "s", "k"), std::nullopt);
}

// In code page 932 the second byte of a double-byte character can look like
// ']' or an ASCII letter.
TEST(PrivateProfileTest, DoubleByteCharactersAreNeverSplitWhenMatchingNames)
{
    const std::string zo = "\x83]"; // "ゾ"
    const std::string bytes = "[" + zo + "]\r\nk=1\r\n";
    EXPECT_EQ(valueIn(bytes, zo, "k"), "1");

    PrivateProfile created("");
    ASSERT_TRUE(created.setValue(zo, "k", "2"));
    EXPECT_EQ(created.bytes(), "[" + zo + "]\r\nk=2\r\n");

    // "ア" is 0x83 'A' and "ヂ" is 0x83 'a': folding the case of the second
    // byte would make them one key.
    EXPECT_EQ(valueIn("[s]\r\n\x83" "A=1\r\n", "s", "\x83" "a"), std::nullopt);
    EXPECT_EQ(valueIn("[s]\r\n\x83" "A=1\r\n", "s", "\x83" "A"), "1");
}

TEST(PrivateProfileTest, AUtf8FileIsMatchedByteForByte)
{
    // In UTF-8, 0x81 is a continuation byte, not the start of a pair.
    const std::string bytes = "\xEF\xBB\xBF[\xE3\x81\x81]\r\nk=1\r\n"; // [ぁ]
    PrivateProfile profile(bytes);
    EXPECT_EQ(profile.encoding(), PrivateProfile::Encoding::Utf8);
    EXPECT_EQ(profile.value("\xE3\x81\x81", "k"), "1");
}

TEST(PrivateProfileTest, NamesThatWouldNotReadBackAreRefused)
{
    PrivateProfile profile("[s]\r\n");
    using namespace std::string_view_literals;
    for (std::string_view key : {""sv, "a=b"sv, ";a"sv, "[a"sv, " a"sv, "a\r\nb"sv, "a\0b"sv})
        EXPECT_FALSE(profile.setValue("s", key, "v")) << key;
    for (std::string_view section : {"", "a]b", "a\nb", " s"})
        EXPECT_FALSE(profile.setValue(section, "k", "v")) << section;
    EXPECT_FALSE(profile.setValue("s", "k", "a\nb"));
    EXPECT_EQ(profile.bytes(), "[s]\r\n");
}

TEST(PrivateProfileTest, AnEmptySectionGetsItsFirstKeyRightAfterTheHeader)
{
    PrivateProfile profile("[s]\r\n\r\n[t]\r\n");
    ASSERT_TRUE(profile.setValue("s", "k", "1"));
    EXPECT_EQ(profile.bytes(), "[s]\r\nk=1\r\n\r\n[t]\r\n");
}

TEST(PrivateProfileTest, ALastLineEndingInALoneCrIsCompletedWithLfOnly)
{
    PrivateProfile profile("[s]\r\nk=1\r");
    ASSERT_TRUE(profile.setValue("s", "j", "2"));
    EXPECT_EQ(profile.bytes(), "[s]\r\nk=1\r\nj=2\r\n");
}

} // namespace
} // namespace pellora
