#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

std::string encoded(std::string_view text)
{
    const auto bytes = cp932::encode(text);
    EXPECT_TRUE(bytes.has_value());
    return bytes ? *bytes : std::string("<failed>");
}

std::string decoded(std::string_view bytes)
{
    const auto text = cp932::decode(bytes);
    EXPECT_TRUE(text.has_value());
    return text ? *text : std::string("<failed>");
}

TEST(Cp932, EncodesJapaneseAsShiftJisBytes)
{
    EXPECT_EQ(encoded("---処理開始--- ["), std::string("\x2D\x2D\x2D\x8F\x88\x97\x9D\x8A\x4A\x8E\x6E\x2D\x2D\x2D\x20\x5B", 16));
    // The backslash stays a backslash (folders), the full-width question mark is double-byte.
    EXPECT_EQ(encoded("C:\\か？"), std::string("C:\\\x82\xA9\x81\x48"));
}

// Where tables of the code page differ, the bytes are the same whichever
// system wrote them: the Linux build's (glibc's CP932) are the rule.
TEST(Cp932, WritesTheSameBytesOnEverySystem)
{
    struct Row {
        const char* text;
        std::string bytes;
    };
    const Row rows[] = {
        // Written as the JIS characters they stand for, not as '?'.
        {"\u301C\u2212\u2016\u2014", "\x81\x60\x81\x7C\x81\x61\x81\x5C"},
        {"\u00A2\u00A3\u00AC\u00A5\u203E", "\x81\x91\x81\x92\x81\xCA\x5C\x7E"},
        // NEC's and IBM's extensions: IBM's bytes for its kanji and small
        // roman numerals, NEC's row 13 for the circled digits.
        {"\u2170\u7E8A\u2460", "\xFA\x40\xFA\x5C\x87\x40"},
        // Bytes only Windows' table maps, from characters glibc lacks.
        {"\u0080\uF8F0", "??"},
        // A language tag is dropped.
        {"a\U000E0041b", "ab"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(encoded(row.text), row.bytes) << row.text;
    // The single bytes only Windows' table decodes.
    EXPECT_EQ(decoded(std::string("\x80\xA0\xFD\xFE\xFF", 5)), "?????");
}

TEST(Cp932, RoundTripsWhatTheCodePageHolds)
{
    const std::string text = "コピー先フォルダが無効です。\r\n新しく作成しますか？ ｱｲｳ ①";
    EXPECT_EQ(decoded(encoded(text)), text);
}

TEST(Cp932, SubstitutesOneCharacterForEachItCannotHold)
{
    // An emoji (beyond the basic plane), a Korean syllable, a lone surrogate
    // (written as UTF-8 would write it, had it a form).
    EXPECT_EQ(encoded("a😀b한c\xED\xA0\x80"), "a?b?c?");
    // Bytes that are no UTF-8 cost one each; what follows them stays.
    EXPECT_EQ(encoded("\xE3\x81z\x80\xFFy"), "?z??y");
}

TEST(Cp932, DecodesBrokenBytesWithoutLosingTheRest)
{
    // A lead byte at the end, and an invalid trail byte.
    EXPECT_EQ(decoded(std::string("ok\x82", 3)), "ok?");
    EXPECT_EQ(decoded(std::string("\x82\x20z", 3)), "? z");
    EXPECT_EQ(decoded(std::string("a\0b", 3)), std::string("a\0b", 3));
}

} // namespace
} // namespace pellora
